// Runs one sync of a register with an address book of the test server (user anna, password
// titok). Usage: syncchild <folder> <address book URL>. With SYNC_KILL_AT=n in the environment
// the process kills itself just before its n-th file-system call; otherwise it prints the
// number of its calls once the sync is done.
#include "store/posixfs.h"
#include "sync/syncrun.h"

#include <QCoreApplication>

#include <csignal>
#include <cstdio>
#include <cstdlib>

namespace {

class Killer final : public fsys::Observer {
public:
    explicit Killer(long at)
        : m_at(at) {}
    int before(const fsys::CallInfo&) override {
        if (++m_calls == m_at)
            std::raise(SIGKILL);
        return 0;
    }
    void after(const fsys::CallInfo&, qint64, int) override {}
    long calls() const { return m_calls; }

private:
    long m_at;
    long m_calls = 0;
};

} // namespace

int main(int argc, char* argv[]) {
    QCoreApplication app(argc, argv);
    if (argc < 3)
        return 2;
    const char* killAt = std::getenv("SYNC_KILL_AT");
    Killer killer(killAt ? std::atol(killAt) : 0);
    fsys::setObserver(&killer);
    const QUrl book(QString::fromLocal8Bit(argv[2]));
    cardsync::SyncRun run(DataStore(QString::fromLocal8Bit(argv[1])),
                          {book, QStringLiteral("anna"), book, {}, {}, false},
                          QStringLiteral("titok"));
    QObject::connect(&run, &cardsync::SyncRun::finished, &app,
                     [&](const cardsync::SyncResult& result) {
                         std::printf("%ld\n", killer.calls());
                         app.exit(result.ok ? 0 : 1);
                     });
    run.start();
    return app.exec();
}
