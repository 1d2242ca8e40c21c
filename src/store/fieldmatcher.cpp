#include "fieldmatcher.h"

#include "cp1250.h"

#include <cstring>

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
    if (m_needle.size() > m_layout.width)
        m_possible = false;
}

bool FieldMatcher::matches(const char* record) const {
    if (!m_possible)
        return false;
    const auto* p = reinterpret_cast<const std::uint8_t*>(record + m_layout.offset);
    const auto [begin, end] = trimBlanks(record + m_layout.offset, m_layout.width);
    if (begin == end)
        return false; // an empty field never matches
    const int k = static_cast<int>(m_needle.size());
    if (k == 0)
        return true;
    const auto* needle = reinterpret_cast<const std::uint8_t*>(m_needle.constData());
    const std::uint8_t first = needle[0];
    for (int i = begin; i + k <= end; ++i) {
        if (m_upper[p[i]] != first)
            continue;
        int j = 1;
        while (j < k && m_upper[p[i + j]] == needle[j])
            ++j;
        if (j == k)
            return true;
    }
    return false;
}
