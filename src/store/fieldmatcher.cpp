#include "store/fieldmatcher.h"

#include "store/cp1250.h"

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
