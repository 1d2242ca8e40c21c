#pragma once

#include "store/record.h"
#include "store/storeerror.h"

#include <QByteArray>
#include <QString>

class DataStore;
class QIODevice;

// Writing contacts as vCard 3.0.
namespace vcard {

// Lines are folded so that none is longer than this many octets (CR LF not counted).
inline constexpr int kLineOctets = 75;

// Appends one record as a card: UTF-8, CR LF line ends, values escaped, fields without their
// surrounding blanks and empty ones left out. FN and N are always written, empty when the name
// is, because version 3.0 requires both; so a record with every field blank still gives a card,
// and reading the file back gives every record back in its place.
void appendCard(QByteArray& out, const Record& record);

// Writes the cards of every record of the store, in record order, to out in large blocks,
// checking each write. outPath names out in an error; count gets the cards written.
MaybeError writeCards(const DataStore& store, QIODevice& out, const QString& outPath,
                      qint64* count = nullptr);

} // namespace vcard
