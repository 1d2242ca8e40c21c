#pragma once

#include "platform/passwordstore.h"

// The desktop's keyring through QtKeychain (Secret Service, KWallet; the system's own store on
// Windows and macOS). Each call waits for the keyring's answer in a local event loop; where no
// keyring is on the session bus the answer is an error at once.
class QtPasswordStore final : public PasswordStore {
public:
    std::optional<QString> read(const QString& account, QString& error) override;
    bool write(const QString& account, const QString& password, QString& error) override;
    bool remove(const QString& account, QString& error) override;
};
