#pragma once

#include "store/record.h"

#include <QtGlobal>

#include <span>
#include <vector>

// Which record of today's Telefon.dat each contact of the last sync has become. The register
// keeps no identifiers, but its order is stable: records are only appended, changed in place
// or removed. So the two lists align in order. Records equal in both anchor the alignment (the
// longest such run in order, duplicates included); between two anchors the records that differ
// are changes of the last-synced ones there, and only records after the last anchor can be new.
namespace cardsync {

struct SyncedFate {
    enum class Kind { Unchanged, Changed, Deleted };
    Kind kind = Kind::Deleted;
    qint64 recNo = 0; // today's record, numbered from 1 as the store numbers them; 0 if deleted
};

struct Alignment {
    std::vector<SyncedFate> synced; // one per last-synced record, in their order
    std::vector<qint64> added;      // today's records that are new, ascending
};

// Aligns the last-synced records with today's. Between two anchors, where the counts differ,
// records are paired by the most fields they share; after the last anchor only records that
// share a field pair up, the others are deletions and new records. Records between two anchors
// that find no partner at all are reported as new too: the stable order does not make them,
// but a file changed by another program could, and they must not be lost.
Alignment alignRecords(std::span<const Record> synced, std::span<const Record> today);

// How many fields two records share: equal and not blank.
int sharedFields(const Record& a, const Record& b);

} // namespace cardsync
