#pragma once

#include "record.h"

#include <QByteArray>
#include <QStringView>

#include <array>
#include <cstdint>

// Decides whether a record's field contains a search text: both without the blanks around
// them and in upper case, a plain substring test on the Windows-1250 bytes. An empty field
// never matches; an empty search text matches every other field; a search text with a
// character that Windows-1250 lacks matches nothing.
class FieldMatcher {
public:
    FieldMatcher(Field field, QStringView text);

    bool matches(const char* record) const;

private:
    bool matchesAt(const std::uint8_t* field, int at) const;

    const std::array<std::uint8_t, 256>& m_upper;
    FieldLayout m_layout;
    QByteArray m_needle; // upper-cased bytes
    bool m_possible = true;
    // The stored bytes whose upper case is the first byte of the needle, each repeated in
    // all eight bytes of a word; none when the field is searched byte by byte.
    std::array<std::uint64_t, 4> m_firstBytes{};
    int m_spellings = 0;
};
