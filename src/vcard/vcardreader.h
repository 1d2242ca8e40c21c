#pragma once

#include "store/record.h"
#include "store/storeerror.h"

#include <QString>

#include <functional>

class QIODevice;

// Reading contacts from vCard files (versions 2.1, 3.0 and 4.0), one contact per card.
namespace vcard {

// Gets each card's contact in file order; an error it returns stops the reading.
using CardFn = std::function<MaybeError(const Record&)>;

inline constexpr qint64 kReadChunk = 256 * 1024;

// Reads the cards of device chunk by chunk and hands each one over as a contact: the name from
// FN (else from N, family name first), postcode, settlement and street from the preferred or
// first ADR, the first two TELs (preferred ones first), the first NOTE, EMAIL and URL. A card
// inside a card is a contact of its own and arrives before the card around it. The file may be
// UTF-8, Windows-1250 or UTF-16, with or without a byte-order mark. Memory stays flat whatever
// the file holds: properties the register has no field for (photos, keys, sounds) are skipped
// as they stream past, and of the others only as much is kept as a field can use. path names
// the file in an error.
MaybeError readCards(QIODevice& device, const QString& path, const CardFn& onCard,
                     qint64 chunkSize = kReadChunk);

} // namespace vcard
