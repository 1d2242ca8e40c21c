#include "app/synccli.h"

#include "platform/datafolder.h"
#include "platform/passwordstore.h"
#include "store/datastore.h"
#include "sync/syncaccount.h"
#include "sync/syncrun.h"

#include <QEventLoop>

#include <cstdio>
#include <optional>

namespace {

void say(std::FILE* stream, const QString& text) {
    std::fputs((text + QLatin1Char('\n')).toLocal8Bit().constData(), stream);
    std::fflush(stream);
}

int refuse(const QString& text) {
    say(stderr, text);
    return 1;
}

// A question the command line cannot put to anyone: said, and answered No.
bool answerNo(const QString& question) {
    say(stderr, question);
    say(stderr, QStringLiteral("Nem: erre a kérdésre a program ablakában lehet igennel felelni "
                               "(Adatbázis › Szinkronizálás)."));
    return false;
}

} // namespace

int syncFromCommandLine(const QString& folder, PasswordStore& passwords) {
    RegisterLock lock(folder);
    if (lock.lock() == RegisterLock::Result::InUse)
        return refuse(lock.inUseMessage());

    const DataStore store(folder);
    std::optional<cardsync::SyncAccount> account;
    if (const MaybeError err = cardsync::readSyncAccount(cardsync::syncAccountPath(store), account))
        return refuse(err->message());
    if (!account)
        return refuse(QStringLiteral("Ehhez a nyilvántartáshoz (%1) még nincs szinkronizálási "
                                     "fiók: a program ablakában, az Adatbázis menü "
                                     "„Szinkronizálási fiók…” pontjában adható meg.")
                          .arg(store.folder()));

    QString error;
    const std::optional<QString> password =
        passwords.read(passwordAccount(store.folder(), account->server, account->user), error);
    if (!password)
        return refuse(
            (error.isEmpty() ? QStringLiteral("A kulcstartóban nincs jelszó ehhez a fiókhoz.")
                             : error) +
            QStringLiteral("\nA szinkronizálás nem történt meg: ablak nélkül csak a kulcstartóban "
                           "őrzött jelszóval lehet szinkronizálni."));

    cardsync::SyncRun run(store, *account, *password);
    run.setConfirm(answerNo);

    cardsync::SyncResult result;
    QEventLoop loop;
    QObject::connect(&run, &cardsync::SyncRun::finished, &loop, [&](const cardsync::SyncResult& r) {
        result = r;
        loop.quit();
    });
    run.start();
    if (run.isRunning())
        loop.exec();
    if (!result.ok)
        return refuse(result.error.isEmpty() ? QStringLiteral("A szinkronizálás nem történt meg.")
                                             : result.error);
    say(stdout, cardsync::syncSummary(result.counts));
    return 0;
}
