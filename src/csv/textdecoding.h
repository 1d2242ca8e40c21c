#pragma once

#include "store/cp1250.h"
#include "store/utf8.h"

#include <QByteArrayView>
#include <QChar>

#include <cstdint>
#include <utility>

// The text of an exchange file comes in one of these encodings: the program's own Windows-1250,
// one byte per character, UTF-8, which today's spreadsheets save, or UTF-16 with a byte-order
// mark, which they save as "Unicode text". Reading a UTF-8 file byte by byte as Windows-1250
// would turn "Kovács" into "KovĂˇcs", and a UTF-16 file into NUL bytes, so the file is looked
// at first.
enum class TextEncoding { Windows1250, Utf8, Utf16LE, Utf16BE };

// Tells the encoding of a file from its bytes, fed in order in pieces of any size: UTF-16 when
// the file starts with its byte-order mark; UTF-8 when the file starts with a UTF-8 byte-order
// mark, or when it is valid UTF-8 and holds at least one multi-byte character; Windows-1250
// otherwise (plain ASCII reads the same either way).
class EncodingSniffer {
public:
    void feed(QByteArrayView bytes);
    // True once the answer cannot change any more, so the rest of the file need not be read.
    bool decided() const {
        return m_bom || m_utf16 != TextEncoding::Windows1250 || (!m_valid && m_seen >= 2);
    }
    TextEncoding encoding() const;

private:
    qint64 m_seen = 0;
    bool m_bom = false;
    TextEncoding m_utf16 = TextEncoding::Windows1250; // Utf16LE or Utf16BE after their mark
    bool m_valid = true;
    bool m_multiByte = false;
    int m_need = 0;               // continuation bytes still due
    std::uint8_t m_lowest = 0x80; // the range the next continuation byte must fall into
    std::uint8_t m_highest = 0xBF;
    std::uint8_t m_first[3] = {};
};

// Turns the bytes of a file in any of these encodings into Windows-1250 bytes, one per
// character, fed in pieces of any size. A character that Windows-1250 lacks becomes '?', as in
// the entry fields; so does a byte that is no part of valid UTF-8 and a broken UTF-16 unit. A
// byte-order mark at the start of a UTF-8 or UTF-16 file is dropped, and so is a NUL in UTF-16.
class Windows1250Decoder {
public:
    explicit Windows1250Decoder(TextEncoding encoding)
        : m_encoding(encoding) {}

    // Hands sink(char) the Windows-1250 byte of each complete character.
    template <typename Sink> void feed(QByteArrayView bytes, Sink&& sink) {
        const auto* p = reinterpret_cast<const std::uint8_t*>(bytes.data());
        const auto* end = p + bytes.size();
        if (m_encoding == TextEncoding::Windows1250) {
            for (; p != end; ++p)
                sink(static_cast<char>(*p));
            return;
        }
        if (m_encoding != TextEncoding::Utf8) {
            for (; p != end; ++p)
                feedUtf16(*p, sink);
            return;
        }
        for (; p != end; ++p) {
            const std::uint8_t b = *p;
            if (m_need > 0) {
                if (b >= m_lowest && b <= m_highest) {
                    m_code = (m_code << 6) | (b & 0x3Fu);
                    m_lowest = 0x80;
                    m_highest = 0xBF;
                    if (--m_need == 0)
                        put(m_code, sink);
                    continue;
                }
                // A broken sequence: one '?' for it, and the byte starts afresh.
                m_need = 0;
                put(0xFFFD, sink);
            }
            if (b < 0x80) {
                m_first = false;
                sink(static_cast<char>(b));
            } else if (!start(b)) {
                put(0xFFFD, sink);
            }
        }
    }

    // Ends the text: an incomplete character at its end becomes '?'.
    template <typename Sink> void finish(Sink&& sink) {
        if (m_need > 0 || m_highSurrogate != 0) {
            m_need = 0;
            m_highSurrogate = 0;
            put(0xFFFD, sink);
        }
    }

private:
    // m_need counts the bytes of a UTF-16 unit still due; m_code holds the first.
    template <typename Sink> void feedUtf16(std::uint8_t b, Sink&& sink) {
        if (m_need == 0) {
            m_code = b;
            m_need = 1;
            return;
        }
        m_need = 0;
        const char16_t unit = m_encoding == TextEncoding::Utf16LE ? char16_t(b << 8 | m_code)
                                                                  : char16_t(m_code << 8 | b);
        if (m_highSurrogate != 0) {
            const char16_t high = std::exchange(m_highSurrogate, 0);
            if (QChar::isLowSurrogate(unit)) {
                put(QChar::surrogateToUcs4(high, unit), sink);
                return;
            }
            put(0xFFFD, sink);
        }
        if (QChar::isHighSurrogate(unit))
            m_highSurrogate = unit;
        else if (unit != 0) // NUL is no text; it would end up as a NUL byte in Telefon.dat
            put(QChar::isLowSurrogate(unit) ? 0xFFFD : unit, sink);
    }

    // Starts a multi-byte sequence; false for a byte that cannot start one.
    bool start(std::uint8_t b) {
        const Utf8Lead lead = utf8Lead(b);
        if (lead.continuations == 0)
            return false;
        m_need = lead.continuations;
        m_code = lead.bits;
        m_lowest = lead.lowest;
        m_highest = lead.highest;
        return true;
    }

    template <typename Sink> void put(char32_t code, Sink&& sink) {
        const bool first = m_first;
        m_first = false;
        if (code == 0xFEFF && first)
            return;
        const auto b = cp1250::fromUnicode(code);
        sink(b ? static_cast<char>(*b) : '?');
    }

    TextEncoding m_encoding;
    char16_t m_highSurrogate = 0; // UTF-16: the first half of a pair, waiting for the second
    bool m_first = true;          // nothing decoded yet: a byte-order mark is still dropped
    int m_need = 0;
    char32_t m_code = 0;
    std::uint8_t m_lowest = 0x80;
    std::uint8_t m_highest = 0xBF;
};
