#pragma once

#include "bytepositions.h"
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
    // Whether the needle's bytes from the third on follow at field[at].
    bool matchesFrom(const char* field, int at) const;

    const std::array<std::uint8_t, 256>& m_upper;
    FieldLayout m_layout;
    QByteArray m_needle; // upper-cased bytes
    bool m_possible = true;
    ByteSet m_first;  // the stored bytes whose upper case is the needle's first byte
    ByteSet m_second; // and its second
};
