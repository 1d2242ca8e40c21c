#include "list/listsort.h"

#include "list/distincttexts.h"
#include "store/cp1250.h"

#include <unicode/ucol.h>

#include <algorithm>
#include <array>
#include <numeric>
#include <string>
#include <string_view>

namespace {

// A key whose numeric order is the text order of the decimal digits: each digit d counts as
// d + 1 in base 11, and a number shorter than 18 digits is padded with zeros (an "end" that
// comes before every digit).
std::uint64_t decimalTextKey(qint64 n) {
    char digits[24];
    int len = 0;
    std::uint64_t v = static_cast<std::uint64_t>(n < 0 ? 0 : n);
    do {
        digits[len++] = static_cast<char>(v % 10);
        v /= 10;
    } while (v != 0);
    std::uint64_t key = 0;
    for (int i = 0; i < 18; ++i) {
        const int d = i < len ? digits[len - 1 - i] + 1 : 0;
        key = key * 11 + static_cast<std::uint64_t>(d);
    }
    return key;
}

} // namespace

// Hungarian collation, case-insensitive: ICU set up the way QCollator sets it up for
// QLocale::Hungarian with Qt::CaseInsensitive (normalisation on, secondary strength, digits
// compared one by one, punctuation not ignored). Its sort keys are byte strings that compare
// like the texts, so each distinct text is collated once and the rest is memcmp.
class ColumnSorter::Collation {
public:
    Collation() {
        UErrorCode status = U_ZERO_ERROR;
        m_collator = ucol_open("hu_HU", &status);
        if (U_FAILURE(status)) {
            m_collator = nullptr;
            return;
        }
        const std::pair<UColAttribute, UColAttributeValue> settings[] = {
            {UCOL_NORMALIZATION_MODE, UCOL_ON},
            {UCOL_STRENGTH, UCOL_SECONDARY},
            {UCOL_NUMERIC_COLLATION, UCOL_OFF},
            {UCOL_ALTERNATE_HANDLING, UCOL_NON_IGNORABLE},
        };
        for (const auto& [attribute, value] : settings) {
            status = U_ZERO_ERROR;
            ucol_setAttribute(m_collator, attribute, value, &status);
        }
    }
    ~Collation() {
        if (m_collator)
            ucol_close(m_collator);
    }
    Collation(const Collation&) = delete;
    Collation& operator=(const Collation&) = delete;

    // Appends the sort key of a Windows-1250 text of a field (at most 255 bytes) to keys,
    // without its closing zero byte.
    void appendKey(std::string_view text, std::string& keys) const {
        std::array<UChar, 256> utf16;
        const auto length = static_cast<int32_t>(std::min(text.size(), utf16.size()));
        for (int32_t i = 0; i < length; ++i)
            utf16[static_cast<std::size_t>(i)] =
                cp1250::toUnicode(static_cast<std::uint8_t>(text[static_cast<std::size_t>(i)]));
        if (!m_collator) {
            keys.append(text); // without collation data the bytes' own order
            return;
        }
        const std::size_t at = keys.size();
        int32_t room = 4 * length + 32;
        for (;;) {
            keys.resize(at + static_cast<std::size_t>(room));
            const int32_t needed =
                ucol_getSortKey(m_collator, utf16.data(), length,
                                reinterpret_cast<std::uint8_t*>(keys.data() + at), room);
            if (needed <= room) {
                keys.resize(at + static_cast<std::size_t>(std::max(needed - 1, 0)));
                return;
            }
            room = needed;
        }
    }

private:
    UCollator* m_collator = nullptr;
};

namespace {

// Eight bytes of a key from `from` on as a number that orders like them. Sort keys hold no
// zero bytes, so the zeros that pad a shorter key put it before the longer keys it starts.
std::uint64_t keyBytes(std::string_view key, std::size_t from) {
    std::uint64_t bytes = 0;
    for (std::size_t i = from; i < from + 8; ++i)
        bytes = (bytes << 8) | (i < key.size() ? static_cast<std::uint8_t>(key[i]) : 0u);
    return bytes;
}

// Sorts the rows by a number each, rows of equal number in the order of `current`.
ListVector<std::uint32_t> orderByKeys(const ListVector<std::uint64_t>& keys,
                                      const ListVector<std::uint32_t>& current) {
    ListVector<std::uint32_t> order(keys.size());
    if (current.size() == keys.size())
        std::copy(current.begin(), current.end(), order.begin());
    else
        std::iota(order.begin(), order.end(), 0u);
    std::stable_sort(order.begin(), order.end(),
                     [&keys](std::uint32_t a, std::uint32_t b) { return keys[a] < keys[b]; });
    return order;
}

} // namespace

ColumnSorter::ColumnSorter(int column)
    : m_column(column) {}

ColumnSorter::~ColumnSorter() = default;

void ColumnSorter::forget() {
    m_texts = DistinctTexts();
    m_keys = std::string();
    m_keyStart.assign(1, 0);
    m_rank = {};
}

void ColumnSorter::rankTexts() {
    const std::size_t m = m_texts.size();
    if (!m_collation)
        m_collation = std::make_unique<Collation>();
    for (std::size_t id = m_keyStart.size() - 1; id < m; ++id) {
        m_collation->appendKey(m_texts.text(static_cast<std::uint32_t>(id)), m_keys);
        m_keyStart.push_back(m_keys.size());
    }
    const auto key = [this](std::uint32_t id) {
        return std::string_view(m_keys).substr(m_keyStart[id], m_keyStart[id + 1] - m_keyStart[id]);
    };
    // Most keys differ within their first sixteen bytes, which are compared as two numbers kept
    // beside the text's number; the sort reads the rest of a key only where these are equal.
    // (Sorting the 135 562 names of a million generated contacts, two in five of the pairs
    // compared share their first eight bytes, and one in thirty their first sixteen.)
    struct ByKey {
        std::uint64_t first;
        std::uint64_t second;
        std::uint32_t id;
    };
    std::vector<ByKey> byKey(m);
    for (std::uint32_t id = 0; id < m; ++id) {
        const std::string_view k = key(id);
        byKey[id] = {keyBytes(k, 0), keyBytes(k, 8), id};
    }
    std::sort(byKey.begin(), byKey.end(), [&](const ByKey& a, const ByKey& b) {
        if (a.first != b.first)
            return a.first < b.first;
        if (a.second != b.second)
            return a.second < b.second;
        const int c = key(a.id).compare(key(b.id));
        if (c != 0)
            return c < 0;
        // Texts the collation holds equal still get a fixed order.
        return m_texts.text(a.id) < m_texts.text(b.id);
    });
    m_rank.resize(m);
    for (std::uint32_t r = 0; r < m; ++r)
        m_rank[byKey[r].id] = r;
}

ListVector<std::uint32_t> ColumnSorter::order(const RecordRows& rows,
                                              const ListVector<std::uint32_t>& current) {
    const std::size_t n = rows.size();
    if (m_column == ListColumn::RecNo) {
        ListVector<std::uint64_t> keys(n);
        for (std::size_t i = 0; i < n; ++i)
            keys[i] = decimalTextKey(rows.recordNumber(i));
        return orderByKeys(keys, current);
    }
    try {
        return orderByText(rows, current);
    } catch (...) {
        // A table left half updated would order later lists wrongly: it starts afresh.
        forget();
        throw;
    }
}

ListVector<std::uint32_t> ColumnSorter::orderByText(const RecordRows& rows,
                                                    const ListVector<std::uint32_t>& current) {
    const std::size_t n = rows.size();
    // Texts no longer in the register pile up only through changes; past this they are let go.
    m_mostRows = std::max(m_mostRows, n);
    if (m_texts.size() > 2 * m_mostRows + 65536)
        forget();

    // The text of each row, numbered; the rows are read in the order they are kept, which is
    // the order of their texts in memory. The hashes come first, so that each lookup can have
    // the table's memory for the lookups a little ahead of it already on the way.
    ListVector<std::uint32_t> rowText(n);
    for (std::size_t i = 0; i < n; ++i)
        rowText[i] = DistinctTexts::hashOf(rows.bytes(i, m_column));
    constexpr std::size_t kAhead = 16;
    for (std::size_t i = 0; i < n; ++i) {
        if (i + kAhead < n)
            m_texts.prefetch(rowText[i + kAhead]);
        rowText[i] = m_texts.idOf(rows.bytes(i, m_column), rowText[i]);
    }
    if (m_rank.size() != m_texts.size())
        rankTexts();

    // Counting sort by the rank of the text, taking the rows in their current order.
    std::vector<std::uint32_t> start(m_rank.size() + 1, 0);
    for (std::size_t i = 0; i < n; ++i)
        ++start[m_rank[rowText[i]] + 1];
    for (std::size_t r = 1; r < start.size(); ++r)
        start[r] += start[r - 1];
    ListVector<std::uint32_t> order(n);
    const bool inCurrent = current.size() == n;
    for (std::size_t k = 0; k < n; ++k) {
        const std::uint32_t i = inCurrent ? current[k] : static_cast<std::uint32_t>(k);
        order[start[m_rank[rowText[i]]]++] = i;
    }
    return order;
}

ListVector<std::uint32_t> sortedOrder(const RecordRows& rows, int column) {
    return ColumnSorter(column).order(rows);
}
