#pragma once

#include "store/record.h"

#include <QByteArrayView>

#include <array>

// Splits the lines of an import file into fields, one Windows-1250 byte (one character) at a
// time, so that a file of any size or line length is read with the same few hundred bytes.
//
// A line ends at a carriage return, a carriage return followed by a line feed, or a line feed
// alone. Within a line a quotation mark is dropped wherever it stands and every ";" starts the
// next field, inside quotation marks too. Field k (from 1) goes into slot k; slots 1 to 9 are
// the contact and slots 10 and 11 take two more fields that nothing uses; from the twelfth
// field on, characters are dropped. Blanks in front of a field are skipped, and a slot keeps no
// more characters than its record field holds, which is all that the record can show of it
// once the field's blanks are trimmed and the rest cut or padded to the width.
class CsvSplitter {
public:
    static constexpr int kSlots = 12; // slot 0 stays unused

    CsvSplitter();

    // Hands onLine(const CsvSplitter&) each line as it ends; fields() and record() tell what
    // it held until the next character is put.
    template <typename OnLine> void put(char c, OnLine&& onLine) {
        if (c == '\r') {
            endLine(onLine);
            m_afterCarriageReturn = true;
            return;
        }
        if (c == '\n') {
            if (!m_afterCarriageReturn)
                endLine(onLine);
            m_afterCarriageReturn = false;
            return;
        }
        m_afterCarriageReturn = false;
        m_lineOpen = true;
        if (c == '"')
            return;
        if (c == ';') {
            if (m_field < kSlots)
                ++m_field;
            return;
        }
        if (m_field >= kSlots)
            return;
        Slot& s = m_slots[static_cast<std::size_t>(m_field)];
        if (s.length == s.capacity || (c == ' ' && s.length == 0))
            return;
        s.bytes[static_cast<std::size_t>(s.length++)] = c;
    }

    // Ends the file: a last line without a line break still counts; after a final line break
    // there is no further line.
    template <typename OnLine> void finish(OnLine&& onLine) {
        if (m_lineOpen)
            endLine(onLine);
    }

    // The number of fields of the line, counting up to 12 (12 meaning twelve or more).
    int fieldCount() const { return m_field; }
    // Slot k (1 to 11): the field's Windows-1250 bytes without the blanks in front, cut to the
    // width of the record field it feeds.
    QByteArrayView slot(int k) const;
    // The contact of the line: name from slot 1, postcode from slot 2, settlement from slot 3,
    // then street address, the two telephone numbers, note, e-mail and web address; each
    // without the blanks around it, cut or padded with blanks to its width.
    Record record() const;

private:
    struct Slot {
        int capacity = 0;
        int length = 0;
        std::array<char, 64> bytes{};
    };

    template <typename OnLine> void endLine(OnLine&& onLine) {
        onLine(static_cast<const CsvSplitter&>(*this));
        for (Slot& s : m_slots)
            s.length = 0;
        m_field = 1;
        m_lineOpen = false;
    }

    std::array<Slot, kSlots> m_slots;
    int m_field = 1;
    bool m_lineOpen = false;
    bool m_afterCarriageReturn = false;
};
