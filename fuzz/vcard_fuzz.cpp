// Any bytes as a vCard file: read whole and in pieces of sizes taken from the input, then
// imported for real into an empty register. Every card that arrives must fit the record (text
// only: no NUL and no line break in a field, each field's text from its first byte), the cards
// must be the same however the file is cut, and the import appends exactly those cards, or
// reports a file that holds none.

#include "fuzzcheck.h"
#include "store/datastore.h"
#include "store/record.h"
#include "vcard/vcardexchange.h"
#include "vcard/vcardreader.h"

#include <QBuffer>
#include <QFile>
#include <QFileInfo>

#include <cstdint>

namespace {

void checkRecord(const Record& r) {
    for (const FieldLayout& l : kLayout) {
        const char* field = r.data() + l.offset;
        require(trimBlanks(field, l.width).begin == 0, "a field starts with its text");
        for (int i = 0; i < l.width; ++i)
            require(field[i] != '\0' && field[i] != '\r' && field[i] != '\n',
                    "no NUL and no line break in a field");
    }
}

QByteArray readAll(QByteArrayView data, qint64 chunk, qint64& cards) {
    QBuffer buffer;
    buffer.setData(data.toByteArray());
    require(buffer.open(QIODevice::ReadOnly), "the buffer opens");
    QByteArray records;
    cards = 0;
    const MaybeError err = vcard::readCards(
        buffer, QStringLiteral("fuzz.vcf"),
        [&](const Record& r) -> MaybeError {
            checkRecord(r);
            records.append(r.data(), kRecordSize);
            ++cards;
            return std::nullopt;
        },
        chunk);
    require(!err, "reading from memory never fails");
    return records;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* bytes, std::size_t size) {
    const QByteArrayView data(reinterpret_cast<const char*>(bytes), static_cast<qsizetype>(size));

    qint64 cards = 0;
    const QByteArray whole = readAll(data, vcard::kReadChunk, cards);
    if (size > 0) {
        qint64 again = 0;
        const qint64 chunk = 1 + static_cast<std::uint8_t>(data.back()) % 7;
        require(readAll(data, chunk, again) == whole, "the same cards however the file is cut");
    }

    const QString source = scratchImportFile(QStringLiteral("import.vcf"), data);
    const DataStore store(scratchFolder().path());
    const VCardImportResult result = importVCard(store, source);
    if (cards == 0) {
        require(result.error && result.error->action == StoreError::Action::FindContacts,
                "a file without cards is reported");
        require(QFileInfo(store.dataPath()).size() == 0, "nothing arrives from it");
        return 0;
    }
    require(!result.error, "the import succeeds");
    require(result.added == cards, "every card is imported");
    QFile dat(store.dataPath());
    require(dat.open(QIODevice::ReadOnly), "Telefon.dat exists");
    require(dat.readAll() == whole, "Telefon.dat holds exactly the cards read");
    return 0;
}
