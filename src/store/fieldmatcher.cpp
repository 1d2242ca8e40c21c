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
    const char* p = record + m_layout.offset;
    int begin = 0;
    int end = m_layout.width;
    while (begin < end && p[begin] == ' ')
        ++begin;
    if (begin == end)
        return false; // an empty field never matches
    while (p[end - 1] == ' ')
        --end;
    const int n = end - begin;
    const int k = static_cast<int>(m_needle.size());
    if (k == 0)
        return true;
    if (n < k)
        return false;
    char upper[64];
    for (int i = 0; i < n; ++i)
        upper[i] = static_cast<char>(m_upper[static_cast<std::uint8_t>(p[begin + i])]);
    return ::memmem(upper, static_cast<size_t>(n), m_needle.constData(), static_cast<size_t>(k)) !=
           nullptr;
}
