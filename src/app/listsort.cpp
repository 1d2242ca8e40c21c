#include "listsort.h"

#include "cp1250.h"
#include "distincttexts.h"

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

ListVector<std::uint32_t> orderByKeys(const ListVector<std::uint64_t>& keys) {
    ListVector<std::uint32_t> order(keys.size());
    std::iota(order.begin(), order.end(), 0u);
    std::sort(order.begin(), order.end(), [&keys](std::uint32_t a, std::uint32_t b) {
        return keys[a] != keys[b] ? keys[a] < keys[b] : a < b;
    });
    return order;
}

// Hungarian collation, case-insensitive: ICU set up the way QCollator sets it up for
// QLocale::Hungarian with Qt::CaseInsensitive (normalisation on, secondary strength, digits
// compared one by one, punctuation not ignored). Its sort keys are byte strings that compare
// like the texts, so each distinct text is collated once and the rest is memcmp.
class Collation {
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

// The first eight bytes of a key as a number that orders like them.
std::uint64_t keyPrefix(std::string_view key) {
    std::uint64_t prefix = 0;
    for (std::size_t i = 0; i < 8; ++i)
        prefix = (prefix << 8) | (i < key.size() ? static_cast<std::uint8_t>(key[i]) : 0u);
    return prefix;
}

} // namespace

ListVector<std::uint32_t> sortedOrder(const RecordRows& rows, int column) {
    const std::size_t n = rows.size();
    if (column == RecordRows::kRecNoColumn) {
        ListVector<std::uint64_t> keys(n);
        for (std::size_t i = 0; i < n; ++i)
            keys[i] = decimalTextKey(rows.recordNumber(i));
        return orderByKeys(keys);
    }

    // Collate each distinct text once, then sort the rows by the rank of their text.
    DistinctTexts distinct;
    ListVector<std::uint32_t> rowId(n);
    for (std::size_t i = 0; i < n; ++i)
        rowId[i] = distinct.idOf(rows.bytes(i, column));

    const Collation collation;
    const std::size_t m = distinct.size();
    std::string keys;
    std::vector<std::size_t> keyStart(m + 1, 0);
    std::vector<std::uint64_t> prefix(m);
    for (std::uint32_t id = 0; id < m; ++id) {
        collation.appendKey(distinct.text(id), keys);
        keyStart[id + 1] = keys.size();
    }
    const auto key = [&](std::uint32_t id) {
        return std::string_view(keys).substr(keyStart[id], keyStart[id + 1] - keyStart[id]);
    };
    for (std::uint32_t id = 0; id < m; ++id)
        prefix[id] = keyPrefix(key(id));

    std::vector<std::uint32_t> byText(m);
    std::iota(byText.begin(), byText.end(), 0u);
    std::sort(byText.begin(), byText.end(), [&](std::uint32_t a, std::uint32_t b) {
        if (prefix[a] != prefix[b])
            return prefix[a] < prefix[b];
        const int c = key(a).compare(key(b));
        if (c != 0)
            return c < 0;
        // Texts the collation holds equal still get a fixed order.
        return distinct.text(a) < distinct.text(b);
    });
    std::vector<std::uint32_t> rank(m);
    for (std::uint32_t r = 0; r < m; ++r)
        rank[byText[r]] = r;

    // Counting sort by rank: rows of the same text stay in their order.
    std::vector<std::uint32_t> start(m + 1, 0);
    for (std::size_t i = 0; i < n; ++i)
        ++start[rank[rowId[i]] + 1];
    for (std::size_t r = 1; r < start.size(); ++r)
        start[r] += start[r - 1];
    ListVector<std::uint32_t> order(n);
    for (std::size_t i = 0; i < n; ++i)
        order[start[rank[rowId[i]]]++] = static_cast<std::uint32_t>(i);
    return order;
}
