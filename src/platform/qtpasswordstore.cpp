#include "platform/qtpasswordstore.h"

#include <QEventLoop>
#include <qt6keychain/keychain.h>

namespace {

// The service the passwords are filed under in the keyring; it never changes, or the
// passwords kept so far would no longer be found.
QString service() {
    return QStringLiteral("Zelvanor");
}

// Starts the job and waits for its end; the window's events go on meanwhile.
void run(QKeychain::Job& job, const QString& account) {
    job.setAutoDelete(false);
    // Never the plain settings file that QtKeychain can fall back to.
    job.setInsecureFallback(false);
    job.setKey(account);
    QEventLoop loop;
    bool finished = false;
    QObject::connect(&job, &QKeychain::Job::finished, &loop, [&finished, &loop] {
        finished = true;
        loop.quit();
    });
    job.start();
    if (!finished)
        loop.exec();
}

QString failure(const QString& what, const QKeychain::Job& job) {
    QString why;
    switch (job.error()) {
    case QKeychain::AccessDeniedByUser:
    case QKeychain::AccessDenied:
        why = QStringLiteral("A kulcstartó megtagadta a hozzáférést.");
        break;
    case QKeychain::NoBackendAvailable:
    case QKeychain::NotImplemented:
        why = QStringLiteral("Ezen a gépen nem érhető el kulcstartó (Secret Service vagy "
                             "KWallet).");
        break;
    default:
        why = QStringLiteral("Nem válaszol kulcstartó (Secret Service vagy KWallet).");
        break;
    }
    return what + u'\n' + why;
}

} // namespace

std::optional<QString> QtPasswordStore::read(const QString& account, QString& error) {
    error.clear();
    QKeychain::ReadPasswordJob job(service());
    run(job, account);
    if (job.error() == QKeychain::NoError)
        return job.textData();
    if (job.error() != QKeychain::EntryNotFound)
        error = failure(QStringLiteral("A jelszót nem sikerült kiolvasni a kulcstartóból."), job);
    return std::nullopt;
}

bool QtPasswordStore::write(const QString& account, const QString& password, QString& error) {
    error.clear();
    QKeychain::WritePasswordJob job(service());
    job.setTextData(password);
    run(job, account);
    if (job.error() == QKeychain::NoError)
        return true;
    error = failure(QStringLiteral("A jelszót nem sikerült a kulcstartóba menteni."), job);
    return false;
}

bool QtPasswordStore::remove(const QString& account, QString& error) {
    error.clear();
    QKeychain::DeletePasswordJob job(service());
    run(job, account);
    if (job.error() == QKeychain::NoError || job.error() == QKeychain::EntryNotFound)
        return true;
    error = failure(QStringLiteral("A jelszót nem sikerült törölni a kulcstartóból."), job);
    return false;
}
