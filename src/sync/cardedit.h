#pragma once

#include "store/record.h"

#include <QByteArray>
#include <QString>

#include <optional>

// Cards on the server hold more than the register can: photos, birthdays, more telephones,
// longer values. A change made here must reach the card without touching any of that.
namespace cardsync {

// The card with only the properties of the fields that differ between from and to rewritten
// to to's values; every other line stays byte for byte. The fields map to properties as the
// vCard export writes them and the import reads them: the name to FN and N, postcode,
// settlement and street to the components of the preferred (else first) ADR, the telephones
// to the first two TELs by preference, the note, e-mail and web address to the first NOTE,
// EMAIL and URL. A property whose field became empty is removed; a missing one is added.
QByteArray editCard(const QByteArray& vcard, const Record& from, const Record& to);

// A new card of a record, with its UID.
QByteArray newCard(const Record& record, const QString& uid);

// The card's UID; empty when it has none.
QString uidOfCard(const QByteArray& vcard);

// The record the register makes of a card; none when it holds no card.
std::optional<Record> recordOfCard(const QByteArray& vcard);

} // namespace cardsync
