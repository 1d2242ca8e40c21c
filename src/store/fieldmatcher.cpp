#include "fieldmatcher.h"

#include "cp1250.h"

#include <bit>
#include <cstring>

namespace {

constexpr std::uint64_t kOnes = 0x0101010101010101ULL;
constexpr std::uint64_t kLow7 = 0x7F7F7F7F7F7F7F7FULL;

// The top bit of each byte of word that is zero, and of no other byte.
constexpr std::uint64_t zeroBytes(std::uint64_t word) {
    return ~(((word & kLow7) + kLow7) | word | kLow7);
}

// Eight bytes with the first in the lowest place, whatever the machine's byte order.
std::uint64_t loadWord(const std::uint8_t* p) {
    std::uint64_t word;
    std::memcpy(&word, p, sizeof word);
    if constexpr (std::endian::native == std::endian::big)
        word = __builtin_bswap64(word);
    return word;
}

} // namespace

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
    if (m_needle.isEmpty() || m_layout.width < 8)
        return;
    // The words of a field are searched for the first byte in all its spellings at once.
    int count = 0;
    for (int b = 0; b < 256; ++b) {
        if (m_upper[static_cast<std::size_t>(b)] != static_cast<std::uint8_t>(m_needle[0]))
            continue;
        if (count == static_cast<int>(m_firstBytes.size()))
            return; // more spellings than the word search takes: byte by byte
        m_firstBytes[static_cast<std::size_t>(count++)] = kOnes * static_cast<std::uint64_t>(b);
    }
    m_spellings = count;
}

bool FieldMatcher::matchesAt(const std::uint8_t* field, int at) const {
    const auto* needle = reinterpret_cast<const std::uint8_t*>(m_needle.constData());
    for (qsizetype j = 0; j < m_needle.size(); ++j)
        if (m_upper[field[at + j]] != needle[j])
            return false;
    return true;
}

bool FieldMatcher::matches(const char* record) const {
    if (!m_possible)
        return false;
    const auto* field = reinterpret_cast<const std::uint8_t*>(record + m_layout.offset);
    const int width = m_layout.width;
    const int k = static_cast<int>(m_needle.size());
    if (k == 0) {
        const auto [begin, end] = trimBlanks(record + m_layout.offset, width);
        return begin != end; // an empty field never matches
    }
    // The needle begins and ends with a non-blank, so wherever it is found it lies inside
    // the field's text: the blanks around the text need not be cut off first.
    const int last = width - k; // the last place the needle can start
    if (m_spellings == 0) {
        for (int at = 0; at <= last; ++at)
            if (matchesAt(field, at))
                return true;
        return false;
    }
    for (int base = 0; base <= last; base += 8) {
        // The last word of a field whose width is no multiple of eight is read where it ends,
        // and the bytes already looked at are dropped from it.
        const int at = base + 8 <= width ? base : width - 8;
        const std::uint64_t word = loadWord(field + at);
        std::uint64_t hits = 0;
        for (int i = 0; i < m_spellings; ++i)
            hits |= zeroBytes(word ^ m_firstBytes[static_cast<std::size_t>(i)]);
        hits &= ~std::uint64_t(0) << (8 * (base - at));
        while (hits != 0) {
            const int place = at + std::countr_zero(hits) / 8;
            if (place > last)
                break;
            if (matchesAt(field, place))
                return true;
            hits &= hits - 1;
        }
    }
    return false;
}
