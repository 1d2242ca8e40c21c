#include "recordrows.h"

#include "cp1250.h"
#include "record.h"

#include <cstring>
#include <type_traits>

namespace {

// Record fields in the order of the list's columns.
constexpr std::array<Field, 6> kShown = {Field::Nev,  Field::Telepules, Field::Cim,
                                         Field::Tel1, Field::Tel2,      Field::Megj};

// The most text one row can hold.
constexpr std::size_t kMaxRowText = [] {
    std::size_t n = 0;
    for (Field f : kShown)
        n += static_cast<std::size_t>(layout(f).width);
    return n;
}();

} // namespace

void RecordRows::addRecords(const char* records, qint64 first, qint64 count) {
    for (qint64 i = 0; i < count; ++i)
        addRecord(records + i * kRecordSize, first + i);
}

void RecordRows::addRecord(const char* record, qint64 recNo) {
    static_assert(std::is_trivially_copyable_v<Row>);
    if ((m_size + 1) * sizeof(Row) > m_rows.capacity())
        m_rows.reserve((m_size + 1) * sizeof(Row));
    if (m_textSize + kMaxRowText > m_text.capacity())
        m_text.reserve(m_textSize + kMaxRowText);

    Row row;
    row.offset = m_textSize;
    row.recNo = recNo;
    char* out = m_text.data() + m_textSize;
    // Each field is copied at its full width, whatever its length: a fixed-size copy is a few
    // vector moves, and the room behind the row is reserved anyway.
    auto copyField = [&]<int Width>(int offset, std::size_t c) {
        const char* p = record + offset;
        const auto [begin, end] = trimBlanks(p, Width);
        if (begin == 0)
            std::memcpy(out, p, Width);
        else
            std::memmove(out, p + begin, static_cast<std::size_t>(end - begin));
        row.length[c] = static_cast<std::uint8_t>(end - begin);
        out += end - begin;
    };
    copyField.operator()<layout(Field::Nev).width>(layout(Field::Nev).offset, 0);
    copyField.operator()<layout(Field::Telepules).width>(layout(Field::Telepules).offset, 1);
    copyField.operator()<layout(Field::Cim).width>(layout(Field::Cim).offset, 2);
    copyField.operator()<layout(Field::Tel1).width>(layout(Field::Tel1).offset, 3);
    copyField.operator()<layout(Field::Tel2).width>(layout(Field::Tel2).offset, 4);
    copyField.operator()<layout(Field::Megj).width>(layout(Field::Megj).offset, 5);
    m_textSize = static_cast<std::size_t>(out - m_text.data());
    std::memcpy(m_rows.data() + m_size * sizeof(Row), &row, sizeof(Row));
    ++m_size;
}

std::string_view RecordRows::bytes(std::size_t row, int column) const {
    const Row& r = rows()[row];
    std::size_t offset = r.offset;
    for (int c = 0; c < column; ++c)
        offset += r.length[static_cast<std::size_t>(c)];
    return std::string_view(m_text.data() + offset, r.length[static_cast<std::size_t>(column)]);
}

QString RecordRows::text(std::size_t row, int column) const {
    if (column == kRecNoColumn)
        return QString::number(rows()[row].recNo);
    const std::string_view b = bytes(row, column);
    return cp1250::decode(QByteArrayView(b.data(), static_cast<qsizetype>(b.size())));
}

void RecordRows::reorder(const std::vector<std::uint32_t>& order) {
    PageBuffer sorted;
    sorted.reserve(order.size() * sizeof(Row));
    Row* out = reinterpret_cast<Row*>(sorted.data());
    const Row* in = rows();
    for (std::size_t i = 0; i < order.size(); ++i)
        out[i] = in[order[i]];
    m_rows = std::move(sorted);
}
