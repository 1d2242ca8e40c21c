#include "vcardwriter.h"

#include "datastore.h"
#include "vcardtext.h"

#include <QIODevice>

#include <cerrno>

namespace vcard {
namespace {

constexpr qsizetype kWriteBlock = 256 * 1024;

// The octets of one unit that a fold may not split: an escape pair or one UTF-8 character.
int unitLength(const char* p, qsizetype left) {
    const auto c = static_cast<unsigned char>(*p);
    int len = 1;
    if (c == '\\')
        len = 2;
    else if (c >= 0xF0)
        len = 4;
    else if (c >= 0xE0)
        len = 3;
    else if (c >= 0xC0)
        len = 2;
    return static_cast<int>(std::min<qsizetype>(len, left));
}

// One content line, folded: a line that would pass kLineOctets goes on after CR LF and a blank.
void appendLine(QByteArray& out, QByteArrayView nameAndParams, QStringView escapedValue) {
    const QByteArray value = escapedValue.toUtf8();
    out.append(nameAndParams);
    out.append(':');
    qsizetype lineLength = nameAndParams.size() + 1;
    const char* p = value.constData();
    const qsizetype n = value.size();
    qsizetype i = 0;
    while (i < n) {
        const int len = unitLength(p + i, n - i);
        if (lineLength + len > kLineOctets) {
            out.append("\r\n ");
            lineLength = 1;
        }
        out.append(p + i, len);
        lineLength += len;
        i += len;
    }
    out.append("\r\n");
}

void appendIfAny(QByteArray& out, QByteArrayView nameAndParams, const Record& record, Field f) {
    const QString value = record.displayField(f);
    if (!value.isEmpty())
        appendLine(out, nameAndParams, escape(value));
}

} // namespace

void appendCard(QByteArray& out, const Record& record) {
    out.append("BEGIN:VCARD\r\nVERSION:3.0\r\n");
    const QString name = record.displayField(Field::Nev);
    appendLine(out, "FN", escape(name));
    // The first word is the family name, the rest the given names, as Hungarian names are written.
    const qsizetype blank = name.indexOf(u' ');
    const QString family = blank < 0 ? name : name.first(blank);
    const QString given = blank < 0 ? QString() : name.sliced(blank + 1).trimmed();
    appendLine(out, "N", escape(family) + u';' + escape(given) + QStringLiteral(";;;"));

    const QString street = record.displayField(Field::Cim);
    const QString settlement = record.displayField(Field::Telepules);
    const QString postcode = record.displayField(Field::Irszam);
    if (!street.isEmpty() || !settlement.isEmpty() || !postcode.isEmpty())
        appendLine(out, "ADR;TYPE=home",
                   QStringLiteral(";;") + escape(street) + u';' + escape(settlement) +
                       QStringLiteral(";;") + escape(postcode) + u';');
    appendIfAny(out, "TEL;TYPE=voice", record, Field::Tel1);
    appendIfAny(out, "TEL;TYPE=voice", record, Field::Tel2);
    appendIfAny(out, "NOTE", record, Field::Megj);
    appendIfAny(out, "EMAIL;TYPE=internet", record, Field::Mail);
    appendIfAny(out, "URL", record, Field::Web);
    out.append("END:VCARD\r\n");
}

MaybeError writeCards(const DataStore& store, QIODevice& out, const QString& outPath,
                      qint64* count) {
    MaybeError writeError;
    qint64 cards = 0;
    QByteArray buffer;
    buffer.reserve(kWriteBlock + 4096);
    const auto flushBuffer = [&] {
        if (writeError || buffer.isEmpty())
            return;
        errno = 0;
        const qint64 written = out.write(buffer);
        if (written != buffer.size()) {
            // A short write is a full disk even when the device reports no reason.
            writeError = systemError(StoreError::Action::Write, outPath, errno ? errno : ENOSPC);
        }
        buffer.resize(0);
    };
    const MaybeError readError =
        store.forEachRecord([&](const char* records, qint64, qint64 recordCount) {
            for (qint64 i = 0; i < recordCount && !writeError; ++i) {
                appendCard(buffer, Record::fromBytes(records + i * kRecordSize));
                ++cards;
                if (buffer.size() >= kWriteBlock)
                    flushBuffer();
            }
        });
    if (readError)
        return readError;
    flushBuffer();
    if (writeError)
        return writeError;
    if (count)
        *count = cards;
    return std::nullopt;
}

} // namespace vcard
