#pragma once

#include "list/listcolumns.h"
#include "list/listmemory.h"

#include <QString>

#include <array>
#include <cstdint>
#include <string_view>

class FieldMatcher;

// The rows of the record list as they were read: the six shown fields of each record, without
// their surrounding blanks, kept as Windows-1250 bytes one after the other, and the record
// number.
class RecordRows {
public:
    // Adds the row of one stored record (kRecordSize bytes).
    void addRecord(const char* record, qint64 recNo);
    // Adds the rows of count consecutive records numbered from first on.
    void addRecords(const char* records, qint64 first, qint64 count);
    // The same for those of them that the matcher accepts.
    void addMatching(const char* records, qint64 first, qint64 count, const FieldMatcher& matcher);
    // Removes every row; the memory stays for the next rows.
    void clear();
    // Reserves room for the rows of other and an eighth more, to be filled later. The room is
    // not touched until rows fill it, and rows that fit are never moved as the list grows.
    void reserveLike(const RecordRows& other);
    // Whether the rows hold memory of their own, from reserveLike or from rows before.
    bool hasRoom() const { return m_rows.capacity() > 0; }

    std::size_t size() const { return m_rows.size(); }
    bool empty() const { return m_rows.empty(); }
    qint64 recordNumber(std::size_t row) const { return m_rows[row].recNo; }
    QString text(std::size_t row, int column) const;
    // The Windows-1250 bytes of a text column (any but ListColumn::RecNo).
    std::string_view bytes(std::size_t row, int column) const;

private:
    struct Row {
        std::size_t offset; // of the first column's text
        qint64 recNo;
        std::array<std::uint8_t, ListColumn::RecNo> length;
    };

    ListVector<Row> m_rows;
    ListVector<char> m_text; // the rows' text up to m_textEnd, room for more behind it
    std::size_t m_textEnd = 0;
};
