#include "recordrows.h"

#include "cp1250.h"
#include "record.h"

namespace {

// Record fields in the order of the list's columns.
constexpr std::array<Field, 6> kShown = {Field::Nev,  Field::Telepules, Field::Cim,
                                         Field::Tel1, Field::Tel2,      Field::Megj};

} // namespace

void RecordRows::reserve(std::size_t rows, std::size_t textBytes) {
    m_rows.reserve(rows);
    m_text.reserve(textBytes);
}

void RecordRows::addRecord(const char* record, qint64 recNo) {
    Row row;
    row.offset = m_text.size();
    row.recNo = recNo;
    for (std::size_t c = 0; c < kShown.size(); ++c) {
        const FieldLayout l = layout(kShown[c]);
        const char* p = record + l.offset;
        int begin = 0;
        int end = l.width;
        while (begin < end && p[begin] == ' ')
            ++begin;
        while (end > begin && p[end - 1] == ' ')
            --end;
        row.length[c] = static_cast<std::uint8_t>(end - begin);
        m_text.insert(m_text.end(), p + begin, p + end);
    }
    m_rows.push_back(row);
}

std::string_view RecordRows::bytes(std::size_t row, int column) const {
    const Row& r = m_rows[row];
    std::size_t offset = r.offset;
    for (int c = 0; c < column; ++c)
        offset += r.length[c];
    return std::string_view(m_text.data() + offset, r.length[column]);
}

QString RecordRows::text(std::size_t row, int column) const {
    if (column == kRecNoColumn)
        return QString::number(m_rows[row].recNo);
    const std::string_view b = bytes(row, column);
    return cp1250::decode(QByteArrayView(b.data(), static_cast<qsizetype>(b.size())));
}

void RecordRows::reorder(const std::vector<std::uint32_t>& order) {
    std::vector<Row> sorted;
    sorted.reserve(order.size());
    for (std::uint32_t i : order)
        sorted.push_back(m_rows[i]);
    m_rows = std::move(sorted);
}
