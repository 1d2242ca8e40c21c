#include "fieldmatcher.h"

#include "cp1250.h"

#include <bit>

FieldMatcher::FieldMatcher(Field field, QStringView text)
    : m_upper(cp1250::upperTable())
    , m_layout(layout(field)) {
    qsizetype begin = 0;
    qsizetype end = text.size();
    while (begin < end && text[begin] == u' ')
        ++begin;
    while (end > begin && text[end - 1] == u' ')
        --end;
    const auto bytes = cp1250::encodeExact(text.sliced(begin, end - begin));
    if (!bytes) {
        m_possible = false;
        return;
    }
    m_needle = *bytes;
    for (char& c : m_needle)
        c = static_cast<char>(m_upper[static_cast<std::uint8_t>(c)]);
    if (m_needle.size() > m_layout.width) {
        m_possible = false;
        return;
    }
    if (m_needle.isEmpty())
        return;
    // Every spelling of the first two bytes, found in a field all at once.
    for (int b = 0; b < 256; ++b) {
        const std::uint8_t up = m_upper[static_cast<std::size_t>(b)];
        [[maybe_unused]] bool fits = true;
        if (up == static_cast<std::uint8_t>(m_needle[0]))
            fits = m_first.add(static_cast<std::uint8_t>(b));
        if (m_needle.size() > 1 && up == static_cast<std::uint8_t>(m_needle[1]))
            fits = fits && m_second.add(static_cast<std::uint8_t>(b));
        // Letters have two spellings at most in the code page.
        Q_ASSERT(fits);
    }
}

bool FieldMatcher::matchesFrom(const char* field, int at) const {
    for (qsizetype j = 2; j < m_needle.size(); ++j)
        if (m_upper[static_cast<std::uint8_t>(field[at + j])] !=
            static_cast<std::uint8_t>(m_needle[j]))
            return false;
    return true;
}

bool FieldMatcher::matches(const char* record) const {
    if (!m_possible)
        return false;
    const int k = static_cast<int>(m_needle.size());
    if (k == 0)
        return textPositions(record, m_layout) != 0; // an empty field never matches
    // The needle begins and ends with a non-blank, so wherever it is found it lies inside
    // the field's text: the blanks around the text need not be cut off first. It starts where
    // its first two bytes are found in any case, and no later than where it still fits.
    std::uint64_t starts =
        m_first.positionsIn(record, m_layout) & widthMask(m_layout.width - k + 1);
    if (k > 1)
        starts &= m_second.positionsIn(record, m_layout) >> 1;
    const char* field = record + m_layout.offset;
    for (; starts != 0; starts &= starts - 1)
        if (matchesFrom(field, std::countr_zero(starts)))
            return true;
    return false;
}
