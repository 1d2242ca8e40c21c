#include "commands/synccommands.h"

#include "commands/busypointer.h"
#include "commands/errorreport.h"
#include "platform/dialogs.h"
#include "platform/passwordstore.h"
#include "store/datastore.h"
#include "sync/carddavclient.h"
#include "sync/syncrun.h"

#include <QEventLoop>

#include <utility>

using cardsync::SyncAccount;

namespace {

const QString kTitle = QStringLiteral("Szinkronizálás");

} // namespace

SyncCommands::SyncCommands(DataStore& store, Dialogs& dialogs, PasswordStore& passwords,
                           ErrorReport& errors, std::function<void()> reloadList)
    : m_store(store)
    , m_dialogs(dialogs)
    , m_passwords(passwords)
    , m_errors(errors)
    , m_reloadList(std::move(reloadList)) {}

QString SyncCommands::passwordKey(const SyncAccount& account) const {
    return passwordAccount(m_store.folder(), account.server, account.user);
}

std::optional<SyncAccount> SyncCommands::readAccount(bool tellMissing) {
    std::optional<SyncAccount> account;
    if (const MaybeError err =
            cardsync::readSyncAccount(cardsync::syncAccountPath(m_store), account)) {
        m_errors.failure(*err, QStringLiteral("A szinkronizálási fiókot újra meg kell adni."));
        return std::nullopt;
    }
    if (!account && tellMissing)
        m_dialogs.message(kTitle,
                          QStringLiteral("Ehhez a nyilvántartáshoz még nincs szinkronizálási "
                                         "fiók.\nAz Adatbázis menü „Szinkronizálási fiók…” "
                                         "pontjában adható meg."),
                          Dialogs::Icon::Information);
    return account;
}

bool SyncCommands::writeAccount(const SyncAccount& account) {
    if (const MaybeError err =
            cardsync::writeSyncAccount(cardsync::syncAccountPath(m_store), account)) {
        m_errors.failure(*err, QStringLiteral("A szinkronizálási fiók beállításai nem változtak."));
        return false;
    }
    return true;
}

void SyncCommands::editAccount(
    const std::function<std::optional<AccountEdit>(const AccountEdit&)>& openWindow) {
    AccountEdit shown;
    if (const std::optional<SyncAccount> account = readAccount(false)) {
        shown.account = *account;
        QString ignored;
        shown.password = m_passwords.read(passwordKey(*account), ignored).value_or(QString());
    }
    const std::optional<AccountEdit> edited = openWindow(shown);
    if (!edited)
        return;
    const SyncAccount& account = edited->account;
    if (!writeAccount(account))
        return;
    QString error;
    if (!m_passwords.write(passwordKey(account), edited->password, error))
        m_dialogs.message(kTitle, error, Dialogs::Icon::Warning);
}

void SyncCommands::synchronize() {
    std::optional<SyncAccount> account = readAccount(true);
    if (!account)
        return;

    const QString key = passwordKey(*account);
    QString error;
    std::optional<QString> password = m_passwords.read(key, error);
    if (!password || password->isEmpty()) {
        const QString asked = m_dialogs.askPassword(
            kTitle, QStringLiteral("A(z) „%1” felhasználó jelszava a(z) „%2” kiszolgálón:")
                        .arg(account->user, account->server.toDisplayString()));
        if (asked.isEmpty())
            return;
        password = asked;
        // Kept for the rest of the run where the keyring does not answer; never in a file.
        QString ignored;
        (void)m_passwords.write(key, asked, ignored);
    }

    if (cardsync::needsPlainHttpConsent(account->addressBook) && !account->plainHttpAllowed) {
        if (!m_dialogs.askYesNo(kTitle, cardsync::plainHttpWarning(account->addressBook)))
            return;
        account->plainHttpAllowed = true;
        if (!writeAccount(*account))
            return;
    }

    cardsync::SyncRun run(m_store, *account, *password);
    run.setConfirm(
        [this](const QString& question) { return m_dialogs.askYesNo(kTitle, question); });

    cardsync::SyncResult result;
    {
        BusyPointer busy;
        const auto cancel = [&run] { run.cancel(); };
        m_dialogs.showProgress(kTitle, QStringLiteral("Kapcsolódás a kiszolgálóhoz…"), cancel);
        QEventLoop loop;
        QObject::connect(&run, &cardsync::SyncRun::progress, &loop, [&](const QString& step) {
            m_dialogs.showProgress(kTitle, step, cancel);
        });
        QObject::connect(&run, &cardsync::SyncRun::finished, &loop,
                         [&](const cardsync::SyncResult& r) {
                             result = r;
                             loop.quit();
                         });
        run.start();
        if (run.isRunning())
            loop.exec();
        m_dialogs.hideProgress();
        if (result.registerChanged)
            m_reloadList();
    }

    // A certificate trusted in this run stays trusted for the account.
    const QByteArray trusted = run.client().trustedCertificate();
    if (trusted != account->trustedCertificate) {
        account->trustedCertificate = trusted;
        (void)writeAccount(*account);
    }

    // A refused password is not offered again: the next sync asks for it.
    if (result.credentialsRefused) {
        QString ignored;
        (void)m_passwords.remove(key, ignored);
    }
    if (result.ok)
        m_dialogs.message(kTitle, cardsync::syncSummary(result.counts), Dialogs::Icon::Information);
    else if (result.cancelled)
        m_dialogs.message(kTitle,
                          result.error.isEmpty()
                              ? QStringLiteral("A szinkronizálás megszakadt. A következő "
                                               "szinkronizálás befejezi.")
                              : result.error,
                          Dialogs::Icon::Information);
    else
        m_dialogs.message(kTitle, result.error, Dialogs::Icon::Critical);
}
