#pragma once

#include "store/storeerror.h"

#include <QByteArray>
#include <QString>
#include <QUrl>

#include <optional>

class DataStore;

// The CardDAV account of a register, kept beside its Telefon.dat so that another register has
// its own account or none. The password never goes into this file.
namespace cardsync {

struct SyncAccount {
    QUrl server; // the address the user gave, from which the address books were found
    QString user;
    QUrl addressBook;
    QString addressBookName;
    QByteArray trustedCertificate; // SHA-256 of a certificate the user chose to trust, hex
    bool plainHttpAllowed = false; // the user agreed to send the password unencrypted

    friend bool operator==(const SyncAccount&, const SyncAccount&) = default;
};

// The account file beside Telefon.dat.
QString syncAccountPath(const DataStore& store);

// Reads the account file; a missing file is a register without an account (no error). A file
// damaged in any way gives an error and no account, never half of one.
MaybeError readSyncAccount(const QString& path, std::optional<SyncAccount>& account);

// Replaces the account file whole by atomic replacement: a failure leaves the old one.
MaybeError writeSyncAccount(const QString& path, const SyncAccount& account);

} // namespace cardsync
