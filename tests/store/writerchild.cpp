// Makes one change to Telefon.dat, for the crash test that kills it part way through.
// Usage: writerchild <append|modify|delete|delete-all|import> <folder> [record number | file].
// With WRITER_STOP_AT=n in the environment the process stops itself at the n-th moment: odd n
// just before file-system call (n + 1) / 2, even n just after call n / 2, printing "stop" first.
// Without it, it prints the number of calls it made once the change is done.
#include "csv/csvimport.h"
#include "store/datastore.h"
#include "store/posixfs.h"

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

class Stopper final : public fsys::Observer {
public:
    explicit Stopper(long at)
        : m_at(at) {}
    int before(const fsys::CallInfo&) override {
        ++m_calls;
        stopAt(2 * m_calls - 1);
        return 0;
    }
    void after(const fsys::CallInfo&, qint64, int) override { stopAt(2 * m_calls); }
    long calls() const { return m_calls; }

private:
    void stopAt(long moment) const {
        if (moment != m_at)
            return;
        std::fputs("stop\n", stdout);
        std::fflush(stdout);
        std::raise(SIGSTOP);
    }
    long m_at;
    long m_calls = 0;
};

} // namespace

int main(int argc, char* argv[]) {
    if (argc < 3)
        return 2;
    const char* stopAt = std::getenv("WRITER_STOP_AT");
    Stopper stopper(stopAt ? std::atol(stopAt) : 0);
    fsys::setObserver(&stopper);
    DataStore store(QString::fromLocal8Bit(argv[2]));
    const char* op = argv[1];
    const char* arg = argc > 3 ? argv[3] : "";
    Record changed;
    changed.setField(Field::Nev, QStringLiteral("Változott Vilma"));
    bool failed = false;
    if (std::strcmp(op, "append") == 0) {
        failed = store.append(changed).has_value();
    } else if (std::strcmp(op, "modify") == 0) {
        bool written = false;
        failed = store.modify(std::atoll(arg), changed, written).has_value() || !written;
    } else if (std::strcmp(op, "delete") == 0) {
        RecordDeletion deletion(store);
        failed = deletion.begin(std::atoll(arg)) || !deletion.hasRecord() || deletion.commit();
    } else if (std::strcmp(op, "delete-all") == 0) {
        failed = store.removeAll().has_value();
    } else if (std::strcmp(op, "import") == 0) {
        failed = importCsv(store, QString::fromLocal8Bit(arg)).error.has_value();
    } else {
        return 2;
    }
    fsys::setObserver(nullptr);
    std::printf("calls %ld\n", stopper.calls());
    return failed ? 1 : 0;
}
