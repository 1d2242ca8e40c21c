#include "platform/passwordstore.h"

#include <QFileInfo>

PasswordStore::~PasswordStore() = default;

QString passwordAccount(const QString& dataFolder, const QUrl& server, const QString& user) {
    const QFileInfo folder(dataFolder);
    const QString canonical = folder.canonicalFilePath();
    // The same server written with or without its closing slash is the same account.
    QUrl address = server.adjusted(QUrl::RemoveUserInfo | QUrl::RemoveFragment |
                                   QUrl::StripTrailingSlash | QUrl::NormalizePathSegments);
    if (address.path() == QLatin1StringView("/"))
        address.setPath(QString());
    return QStringLiteral("%1@%2 %3")
        .arg(user, address.toString(), canonical.isEmpty() ? folder.absoluteFilePath() : canonical);
}

std::optional<QString> MemoryPasswords::read(const QString& account, QString& error) {
    error.clear();
    const auto it = m_passwords.constFind(account);
    if (it == m_passwords.constEnd())
        return std::nullopt;
    return *it;
}

bool MemoryPasswords::write(const QString& account, const QString& password, QString& error) {
    error.clear();
    m_passwords.insert(account, password);
    return true;
}

bool MemoryPasswords::remove(const QString& account, QString& error) {
    error.clear();
    m_passwords.remove(account);
    return true;
}

std::optional<QString> FallbackPasswords::read(const QString& account, QString& error) {
    std::optional<QString> password = m_keyring.read(account, error);
    if (password)
        return password;
    // A password given in this run wins over a keyring that has none or does not answer.
    QString none;
    if (std::optional<QString> kept = m_memory.read(account, none)) {
        error.clear();
        return kept;
    }
    return std::nullopt;
}

bool FallbackPasswords::write(const QString& account, const QString& password, QString& error) {
    QString ignored;
    if (m_keyring.write(account, password, error)) {
        m_memory.remove(account, ignored);
        return true;
    }
    m_memory.write(account, password, ignored);
    error += QStringLiteral("\nA program a jelszót csak most, a kilépésig jegyzi meg.");
    return false;
}

bool FallbackPasswords::remove(const QString& account, QString& error) {
    QString ignored;
    m_memory.remove(account, ignored);
    return m_keyring.remove(account, error);
}
