#pragma once

#include "store/record.h"
#include "store/storeerror.h"

#include <QString>

#include <vector>

class DataStore;

// What the last sync left: for each synced contact its card on the server and its record as it
// was then, in the order of Telefon.dat. The next sync aligns today's records with these.
namespace cardsync {

struct SyncedCard {
    QString href; // the card's address on the server, as the server gave it
    QString etag; // the card's version the record was last synced with
    QString uid;  // the card's UID
    Record record;

    friend bool operator==(const SyncedCard&, const SyncedCard&) = default;
};

struct SyncState {
    QString bookUrl; // the address book synced with
    // The server's token of the address book's state the cards were listed in; empty when it
    // gave none, or when some card of the server is not among these as it was listed then.
    QString syncToken;
    std::vector<SyncedCard> cards;

    friend bool operator==(const SyncState&, const SyncState&) = default;
};

// The state file beside Telefon.dat: another register has its own.
QString syncStatePath(const DataStore& store);

// Replaces the state file whole by atomic replacement, like the exchange files: a failure
// leaves the old state as it was.
MaybeError writeSyncState(const QString& path, const SyncState& state);

// Reads the state file; a missing file is a register never synced, an empty state. A file that
// is damaged in any way gives an error and an empty state, never half of one.
MaybeError readSyncState(const QString& path, SyncState& state);

} // namespace cardsync
