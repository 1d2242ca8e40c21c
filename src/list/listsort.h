#pragma once

#include "list/distincttexts.h"
#include "list/listmemory.h"
#include "list/recordrows.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

// Sorts the list's rows ascending by the text of one column. Text columns follow Hungarian
// collation; the record-number column compares its digits as text, so "10" comes before "9".
//
// Collating a text is what a sort spends most of its time on, and the list is sorted again by
// the same column after every reload and every search. So the sorter keeps each distinct text
// of its column that it has met, with its place among the others: sorting again collates only
// the texts that are new since, and a reload of a million rows costs a table lookup per row.
// The table holds the texts of the register plus those of the changes made since the column
// was chosen; it starts afresh if it grows well beyond the largest list it has sorted.
class ColumnSorter {
public:
    explicit ColumnSorter(int column);
    ~ColumnSorter();
    ColumnSorter(const ColumnSorter&) = delete;
    ColumnSorter& operator=(const ColumnSorter&) = delete;

    int column() const { return m_column; }
    // How many distinct texts it keeps.
    std::size_t textsKept() const { return m_texts.size(); }

    // The indices of the rows in sorted order. Rows of equal text keep the order in which
    // `current` names them (the indices of all rows; empty means 0, 1, 2, …).
    ListVector<std::uint32_t> order(const RecordRows& rows,
                                    const ListVector<std::uint32_t>& current = {});

private:
    class Collation;

    ListVector<std::uint32_t> orderByText(const RecordRows& rows,
                                          const ListVector<std::uint32_t>& current);
    void forget();
    void rankTexts();

    int m_column;
    std::unique_ptr<Collation> m_collation;
    std::size_t m_mostRows = 0;

    DistinctTexts m_texts;
    // Per distinct text: its sort key (in one string) and its place among all the texts (kept
    // while no text has been added).
    std::string m_keys;
    std::vector<std::size_t> m_keyStart = std::vector<std::size_t>(1, 0);
    std::vector<std::uint32_t> m_rank;
};

// The order of the rows sorted by a column, for a single sort.
ListVector<std::uint32_t> sortedOrder(const RecordRows& rows, int column);
