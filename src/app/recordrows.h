#pragma once

#include <QString>

#include <array>
#include <cstdint>
#include <vector>

// The rows of the record list as they were read: the six shown fields of each record, without
// their surrounding blanks, kept as Windows-1250 bytes in one block, and the record number.
class RecordRows {
public:
    static constexpr int kColumns = 7;
    static constexpr int kRecNoColumn = 6;

    void reserve(std::size_t rows, std::size_t textBytes);
    // Adds the row of one stored record (kRecordSize bytes).
    void addRecord(const char* record, qint64 recNo);

    std::size_t size() const { return m_rows.size(); }
    bool empty() const { return m_rows.empty(); }
    qint64 recordNumber(std::size_t row) const { return m_rows[row].recNo; }
    QString text(std::size_t row, int column) const;
    // The Windows-1250 bytes of a text column (0 to 5).
    std::string_view bytes(std::size_t row, int column) const;

    // Puts the rows in the order of the given row indices (a permutation).
    void reorder(const std::vector<std::uint32_t>& order);

private:
    struct Row {
        std::uint64_t offset;
        qint64 recNo;
        std::array<std::uint8_t, 6> length;
    };
    std::vector<char> m_text;
    std::vector<Row> m_rows;
};
