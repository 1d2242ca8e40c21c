#pragma once

#include "pagebuffer.h"

#include <QString>

#include <array>
#include <cstdint>
#include <string_view>
#include <vector>

// The rows of the record list as they were read: the six shown fields of each record, without
// their surrounding blanks, kept as Windows-1250 bytes in one block, and the record number.
class RecordRows {
public:
    static constexpr int kColumns = 7;
    static constexpr int kRecNoColumn = 6;

    // Adds the row of one stored record (kRecordSize bytes).
    void addRecord(const char* record, qint64 recNo);
    // Adds the rows of count consecutive records numbered from first on.
    void addRecords(const char* records, qint64 first, qint64 count);

    std::size_t size() const { return m_size; }
    bool empty() const { return m_size == 0; }
    qint64 recordNumber(std::size_t row) const { return rows()[row].recNo; }
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
    const Row* rows() const { return reinterpret_cast<const Row*>(m_rows.data()); }
    Row* rows() { return reinterpret_cast<Row*>(m_rows.data()); }

    PageBuffer m_text;
    std::size_t m_textSize = 0;
    PageBuffer m_rows;
    std::size_t m_size = 0;
};
