#pragma once

#include "store/record.h"
#include "sync/alignment.h"
#include "sync/syncstate.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <functional>
#include <span>
#include <vector>

// The three-way merge of a sync: the state of the last sync, today's register and the cards on
// the server decide what changes on each side. Nothing is lost on either side: a contact
// changed on both sides merges field by field, and where the same field differs both versions
// are kept; a change wins over a deletion on the other side.
namespace cardsync {

// A card on the server now; vcard is filled for the cards listed by cardsToFetch.
struct ServerCard {
    QString href;
    QString etag;
    QByteArray vcard;
};

// The cards whose content the plan needs: those changed or new on the server, and those whose
// record changed here, which are edited rather than replaced.
QStringList cardsToFetch(const SyncState& last, const Alignment& alignment,
                         const std::vector<ServerCard>& server);

struct ServerWrite {
    enum class Kind { Create, Update, Delete };
    Kind kind = Kind::Create;
    QString href;
    QString etag; // the version replaced or deleted; empty for a new card
    QByteArray vcard;
    int stateIndex = -1; // the card of the next state whose ETag the answer gives
};

struct SyncCounts {
    int newHere = 0;
    int changedHere = 0;
    int deletedHere = 0;
    int newThere = 0;
    int changedThere = 0;
    int deletedThere = 0;
    int keptBoth = 0; // contacts changed on both sides in the same field, kept in both versions
};

// Carried out in this order: the server's writes, then the changes to Telefon.dat, then the
// state. Cut short anywhere, the next plan from the old state finishes the work without
// losing or doubling a contact: what arrives here pairs with an equal new record, a new card
// already at its address with the same contact is taken, and a copy keeping the other version
// of a contact has a UID that follows from the card and the record.
struct SyncPlan {
    // Changes to Telefon.dat in today's record numbers: records changed in place, records
    // removed (ascending), and records appended after all of today's.
    std::vector<std::pair<qint64, Record>> modify;
    std::vector<qint64> remove;
    std::vector<Record> append;
    std::vector<ServerWrite> writes;
    // The state once all is done, in the order of the register then: today's records that
    // stay, then the appended ones. The ETags of written cards come from the writes' answers.
    SyncState next;
    SyncCounts counts;
    qint64 contactsHere = 0;
    qint64 contactsThere = 0;
    // A card of the server that cannot be read is left out of the next state, or kept there in
    // the version it had: only a whole listing shows it again.
    bool cardsLeftOut = false;

    bool changesNothing() const {
        return modify.empty() && remove.empty() && append.empty() && writes.empty();
    }
    // More than half of one side's contacts, and more than five, would be deleted: the user
    // must agree first (an emptied register or a wrongly chosen address book).
    bool needsConfirmation() const;
};

// The state a sync with the address book starts from: a state of another address book counts
// as none, so that the first sync pairs equal contacts instead of doubling them.
SyncState startingState(SyncState last, const QString& bookUrl);

// The records of a state, for the alignment with today's register.
std::vector<Record> syncedRecords(const SyncState& state);

// Plans the sync of today's register, aligned with the state, with the cards of the address
// book at bookPath. newUid gives the UID of each new card.
SyncPlan planSync(const SyncState& last, std::span<const Record> today, const Alignment& alignment,
                  const std::vector<ServerCard>& server, const QString& bookPath,
                  const std::function<QString()>& newUid);

} // namespace cardsync
