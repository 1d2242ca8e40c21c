#include "vcard/vcardwriter.h"

#include "store/cp1250.h"
#include "store/datastore.h"

#include <QIODevice>

#include <array>
#include <cerrno>
#include <cstring>

namespace vcard {
namespace {

constexpr qsizetype kWriteBlock = 256 * 1024;

// The UTF-8 bytes of each Windows-1250 byte, so that a record goes to the file without a detour
// through QString.
struct Utf8Table {
    std::array<std::array<char, 3>, 256> bytes{};
    std::array<std::uint8_t, 256> length{};
    Utf8Table() {
        for (int b = 0; b < 256; ++b) {
            const char16_t ch = cp1250::toUnicode(static_cast<std::uint8_t>(b));
            auto& out = bytes[static_cast<std::size_t>(b)];
            std::uint8_t& len = length[static_cast<std::size_t>(b)];
            if (ch < 0x80) {
                out[0] = static_cast<char>(ch);
                len = 1;
            } else if (ch < 0x800) {
                out[0] = static_cast<char>(0xC0 | ch >> 6);
                out[1] = static_cast<char>(0x80 | (ch & 0x3F));
                len = 2;
            } else {
                out[0] = static_cast<char>(0xE0 | ch >> 12);
                out[1] = static_cast<char>(0x80 | (ch >> 6 & 0x3F));
                out[2] = static_cast<char>(0x80 | (ch & 0x3F));
                len = 3;
            }
        }
    }
};

const Utf8Table& utf8() {
    static const Utf8Table table;
    return table;
}

// One content line, folded as it is written: a unit (a character, or an escape pair) that
// would pass kLineOctets goes on the next line after CR LF and a blank.
class LineWriter {
public:
    LineWriter(QByteArray& out, QByteArrayView nameAndParams)
        : m_out(out) {
        ascii(nameAndParams);
        ascii(":");
    }

    // Octets written as they are: names, parameters and the ';' between components.
    void ascii(QByteArrayView text) {
        for (char c : text)
            unit(&c, 1);
    }

    // A field's Windows-1250 bytes as an escaped UTF-8 text value.
    void value(QByteArrayView field) {
        const Utf8Table& t = utf8();
        const qsizetype n = field.size();
        for (qsizetype i = 0; i < n; ++i) {
            const auto b = static_cast<std::uint8_t>(field[i]);
            switch (b) {
            case '\\':
                unit("\\\\", 2);
                break;
            case ',':
                unit("\\,", 2);
                break;
            case ';':
                unit("\\;", 2);
                break;
            case '\r':
                if (i + 1 < n && field[i + 1] == '\n')
                    break; // the \n that follows stands for the pair
                unit("\\n", 2);
                break;
            case '\n':
                unit("\\n", 2);
                break;
            default:
                unit(t.bytes[b].data(), t.length[b]);
            }
        }
    }

    void end() {
        put("\r\n", 2);
        m_out.append(m_buffer.data(), m_used);
        m_used = 0;
    }

private:
    void unit(const char* p, int len) {
        if (m_length + len > kLineOctets) {
            put("\r\n ", 3);
            m_length = 1;
        }
        put(p, len);
        m_length += len;
    }

    // Octets gather in a buffer that holds any line of a record, and go out in one append.
    void put(const char* p, int len) {
        if (m_used + len > static_cast<int>(m_buffer.size())) {
            m_out.append(m_buffer.data(), m_used);
            m_used = 0;
        }
        std::memcpy(m_buffer.data() + m_used, p, static_cast<std::size_t>(len));
        m_used += len;
    }

    QByteArray& m_out;
    int m_length = 0;
    int m_used = 0;
    std::array<char, 1024> m_buffer;
};

QByteArrayView trimmedField(const Record& record, Field f) {
    return trimmedBlanks(record.fieldBytes(f));
}

void appendIfAny(QByteArray& out, QByteArrayView nameAndParams, const Record& record, Field f) {
    const QByteArrayView value = trimmedField(record, f);
    if (value.isEmpty())
        return;
    LineWriter line(out, nameAndParams);
    line.value(value);
    line.end();
}

} // namespace

void appendCard(QByteArray& out, const Record& record) {
    out.append("BEGIN:VCARD\r\nVERSION:3.0\r\n");
    const QByteArrayView name = trimmedField(record, Field::Nev);
    {
        LineWriter fn(out, "FN");
        fn.value(name);
        fn.end();
    }
    {
        // The first word is the family name, the rest the given names, as Hungarian names are
        // written.
        const qsizetype blank = name.indexOf(' ');
        LineWriter n(out, "N");
        n.value(blank < 0 ? name : name.first(blank));
        n.ascii(";");
        if (blank >= 0)
            n.value(trimmedBlanks(name.sliced(blank + 1)));
        n.ascii(";;;");
        n.end();
    }
    const QByteArrayView street = trimmedField(record, Field::Cim);
    const QByteArrayView settlement = trimmedField(record, Field::Telepules);
    const QByteArrayView postcode = trimmedField(record, Field::Irszam);
    if (!street.isEmpty() || !settlement.isEmpty() || !postcode.isEmpty()) {
        LineWriter adr(out, "ADR;TYPE=home");
        adr.ascii(";;");
        adr.value(street);
        adr.ascii(";");
        adr.value(settlement);
        adr.ascii(";;");
        adr.value(postcode);
        adr.ascii(";");
        adr.end();
    }
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
