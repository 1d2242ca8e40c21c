#pragma once

#include "sync/syncaccount.h"

#include <QString>

#include <functional>
#include <optional>

class DataStore;
class Dialogs;
class ErrorReport;
class PasswordStore;

// The register's CardDAV account and its two-way sync: the account is kept beside Telefon.dat
// and its password in the keyring; a sync runs on the event loop under a progress window that
// can cancel it, and ends with one message that counts what changed on each side.
class SyncCommands {
public:
    // passwords: the keyring, which falls back to memory for the run where none answers.
    // reloadList lists Telefon.dat anew after a sync changed it.
    SyncCommands(DataStore& store, Dialogs& dialogs, PasswordStore& passwords, ErrorReport& errors,
                 std::function<void()> reloadList);

    // What the account window shows and gives back.
    struct AccountEdit {
        cardsync::SyncAccount account;
        QString password;
    };
    // Shows the account in a window (openWindow: nullopt when it was cancelled) and keeps what
    // it gives back.
    void
    editAccount(const std::function<std::optional<AccountEdit>(const AccountEdit&)>& openWindow);
    // Szinkronizálás.
    void synchronize();

private:
    std::optional<cardsync::SyncAccount> readAccount(bool tellMissing);
    bool writeAccount(const cardsync::SyncAccount& account);
    QString passwordKey(const cardsync::SyncAccount& account) const;

    DataStore& m_store;
    Dialogs& m_dialogs;
    PasswordStore& m_passwords;
    ErrorReport& m_errors;
    std::function<void()> m_reloadList;
};
