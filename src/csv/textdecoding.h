#pragma once

#include "store/cp1250.h"
#include "store/utf8.h"

#include <QByteArrayView>

#include <cstdint>

// The text of an exchange file comes in one of two encodings: the program's own Windows-1250,
// one byte per character, or UTF-8, which today's spreadsheets save. Reading a UTF-8 file byte
// by byte as Windows-1250 would turn "Kovács" into "KovĂˇcs", so the file is looked at first.
enum class TextEncoding { Windows1250, Utf8 };

// Tells the encoding of a file from its bytes, fed in order in pieces of any size: UTF-8 when
// the file starts with a UTF-8 byte-order mark, or when it is valid UTF-8 and holds at least one
// multi-byte character; Windows-1250 otherwise (plain ASCII reads the same either way).
class EncodingSniffer {
public:
    void feed(QByteArrayView bytes);
    // True once the answer cannot change any more, so the rest of the file need not be read.
    bool decided() const { return m_bom || !m_valid; }
    TextEncoding encoding() const;

private:
    qint64 m_seen = 0;
    bool m_bom = false;
    bool m_valid = true;
    bool m_multiByte = false;
    int m_need = 0;               // continuation bytes still due
    std::uint8_t m_lowest = 0x80; // the range the next continuation byte must fall into
    std::uint8_t m_highest = 0xBF;
    std::uint8_t m_first[3] = {};
};

// Turns the bytes of a file in either encoding into Windows-1250 bytes, one per character, fed
// in pieces of any size. A character that Windows-1250 lacks becomes '?', as in the entry
// fields; so does a byte that is no part of valid UTF-8. A byte-order mark at the start of a
// UTF-8 file is dropped.
class Windows1250Decoder {
public:
    explicit Windows1250Decoder(TextEncoding encoding)
        : m_utf8(encoding == TextEncoding::Utf8) {}

    // Hands sink(char) the Windows-1250 byte of each complete character.
    template <typename Sink> void feed(QByteArrayView bytes, Sink&& sink) {
        const auto* p = reinterpret_cast<const std::uint8_t*>(bytes.data());
        const auto* end = p + bytes.size();
        if (!m_utf8) {
            for (; p != end; ++p)
                sink(static_cast<char>(*p));
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
        if (m_need > 0) {
            m_need = 0;
            put(0xFFFD, sink);
        }
    }

private:
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

    bool m_utf8;
    bool m_first = true; // nothing decoded yet: a byte-order mark is still dropped
    int m_need = 0;
    char32_t m_code = 0;
    std::uint8_t m_lowest = 0x80;
    std::uint8_t m_highest = 0xBF;
};
