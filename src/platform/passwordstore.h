#pragma once

#include <QHash>
#include <QString>
#include <QUrl>

#include <optional>

// Where the passwords of the sync accounts are kept: the desktop's keyring, never a file. The
// windows and the command line are handed one, so that a test can stand in for the keyring.
class PasswordStore {
public:
    virtual ~PasswordStore();

    // The account's password. Without one: nullopt with an empty error when none is kept for
    // the account, or with a Hungarian error text when the store could not be asked.
    virtual std::optional<QString> read(const QString& account, QString& error) = 0;
    // False with a Hungarian error text when the password could not be kept.
    virtual bool write(const QString& account, const QString& password, QString& error) = 0;
    // Forgets the account's password; an account without one is no failure.
    virtual bool remove(const QString& account, QString& error) = 0;
};

// The name a password is kept under: the register's folder, the user and the server, so that
// another register, or another user on the same server, has a password of its own.
QString passwordAccount(const QString& dataFolder, const QUrl& server, const QString& user);

// Passwords kept in this process only, gone when the program ends.
class MemoryPasswords final : public PasswordStore {
public:
    std::optional<QString> read(const QString& account, QString& error) override;
    bool write(const QString& account, const QString& password, QString& error) override;
    bool remove(const QString& account, QString& error) override;

private:
    QHash<QString, QString> m_passwords;
};

// The keyring, and where it does not answer, the memory for the rest of the run: a password
// the keyring refused is still read back until the program ends. Its write reports the
// keyring's failure, saying that the password is kept for this run only.
class FallbackPasswords final : public PasswordStore {
public:
    explicit FallbackPasswords(PasswordStore& keyring)
        : m_keyring(keyring) {}

    std::optional<QString> read(const QString& account, QString& error) override;
    bool write(const QString& account, const QString& password, QString& error) override;
    bool remove(const QString& account, QString& error) override;

private:
    PasswordStore& m_keyring;
    MemoryPasswords m_memory;
};
