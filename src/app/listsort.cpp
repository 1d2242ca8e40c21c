#include "listsort.h"

#include "cp1250.h"

#include <QCollator>
#include <QLocale>

#include <algorithm>
#include <numeric>
#include <string_view>
#include <unordered_map>

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

std::vector<std::uint32_t> orderByKeys(const std::vector<std::uint64_t>& keys) {
    std::vector<std::uint32_t> order(keys.size());
    std::iota(order.begin(), order.end(), 0u);
    std::sort(order.begin(), order.end(), [&keys](std::uint32_t a, std::uint32_t b) {
        return keys[a] != keys[b] ? keys[a] < keys[b] : a < b;
    });
    return order;
}

} // namespace

std::vector<std::uint32_t> sortedOrder(const RecordRows& rows, int column) {
    const std::size_t n = rows.size();
    if (column == RecordRows::kRecNoColumn) {
        std::vector<std::uint64_t> keys(n);
        for (std::size_t i = 0; i < n; ++i)
            keys[i] = decimalTextKey(rows.recordNumber(i));
        return orderByKeys(keys);
    }

    // Collate each distinct text once, then sort the rows by the rank of their text.
    std::unordered_map<std::string_view, std::uint32_t> ids;
    ids.reserve(n / 2 + 16);
    std::vector<std::string_view> distinct;
    std::vector<std::uint32_t> rowId(n);
    for (std::size_t i = 0; i < n; ++i) {
        const std::string_view text = rows.bytes(i, column);
        auto [it, added] = ids.try_emplace(text, static_cast<std::uint32_t>(distinct.size()));
        if (added)
            distinct.push_back(text);
        rowId[i] = it->second;
    }

    QCollator collator(QLocale(QLocale::Hungarian, QLocale::Hungary));
    collator.setNumericMode(false);
    collator.setCaseSensitivity(Qt::CaseInsensitive);
    std::vector<QCollatorSortKey> sortKeys;
    sortKeys.reserve(distinct.size());
    for (std::string_view text : distinct)
        sortKeys.push_back(collator.sortKey(
            cp1250::decode(QByteArrayView(text.data(), static_cast<qsizetype>(text.size())))));

    std::vector<std::uint32_t> byText(distinct.size());
    std::iota(byText.begin(), byText.end(), 0u);
    std::sort(byText.begin(), byText.end(), [&](std::uint32_t a, std::uint32_t b) {
        const int c = sortKeys[a].compare(sortKeys[b]);
        if (c != 0)
            return c < 0;
        // Texts the collation holds equal still get a fixed order.
        return distinct[a] < distinct[b];
    });
    std::vector<std::uint32_t> rank(distinct.size());
    for (std::uint32_t r = 0; r < byText.size(); ++r)
        rank[byText[r]] = r;

    // Counting sort by rank: rows of the same text stay in their order.
    std::vector<std::uint32_t> start(distinct.size() + 1, 0);
    for (std::size_t i = 0; i < n; ++i)
        ++start[rank[rowId[i]] + 1];
    for (std::size_t r = 1; r < start.size(); ++r)
        start[r] += start[r - 1];
    std::vector<std::uint32_t> order(n);
    for (std::size_t i = 0; i < n; ++i)
        order[start[rank[rowId[i]]]++] = static_cast<std::uint32_t>(i);
    return order;
}
