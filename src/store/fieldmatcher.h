#pragma once

#include "store/bytepositions.h"
#include "store/record.h"

#include <QByteArray>
#include <QStringView>

#include <array>
#include <bit>
#include <cstdint>

// Decides whether a record's field contains a search text: both without the blanks around
// them and in upper case, a plain substring test on the Windows-1250 bytes. An empty field
// never matches; an empty search text matches every other field; a search text with a
// character that Windows-1250 lacks matches nothing.
class FieldMatcher {
public:
    FieldMatcher(Field field, QStringView text);

    // Inline, as a search asks it of every record of the file.
    bool matches(const char* record) const {
        if (!m_possible)
            return false;
        const int k = static_cast<int>(m_needle.size());
        if (k == 0)
            return textPositions(record, m_layout) != 0; // an empty field never matches
        // The needle begins and ends with a non-blank, so wherever it is found it lies inside
        // the field's text: the blanks around the text need not be cut off first. It starts
        // where its first two bytes are found in any case, and no later than where it still
        // fits.
        std::uint64_t starts =
            m_first.positionsIn(record, m_layout) & widthMask(m_layout.width - k + 1);
        if (k > 1)
            starts &= m_second.positionsIn(record, m_layout) >> 1;
        if (k <= 2)
            return starts != 0; // the first two bytes are the whole needle
        const char* field = record + m_layout.offset;
        for (; starts != 0; starts &= starts - 1)
            if (matchesFrom(field, std::countr_zero(starts)))
                return true;
        return false;
    }

private:
    // Whether the needle's bytes from the third on follow at field[at].
    bool matchesFrom(const char* field, int at) const;

    const std::array<std::uint8_t, 256>& m_upper;
    FieldLayout m_layout;
    QByteArray m_needle; // upper-cased bytes
    bool m_possible = true;
    ByteSet m_first;  // the stored bytes whose upper case is the needle's first byte
    ByteSet m_second; // and its second
};
