#include "list/recordrows.h"

#include "store/bytepositions.h"
#include "store/cp1250.h"
#include "store/fieldmatcher.h"
#include "store/record.h"

#include <cstring>
#include <utility>

namespace {

// The most text one row can hold.
constexpr std::size_t kMaxRowText = [] {
    std::size_t n = 0;
    for (Field f : ListColumn::kFields)
        n += static_cast<std::size_t>(layout(f).width);
    return n;
}();

} // namespace

void RecordRows::addRecords(const char* records, qint64 first, qint64 count) {
    for (qint64 i = 0; i < count; ++i)
        addRecord(records + i * kRecordSize, first + i);
}

void RecordRows::addMatching(const char* records, qint64 first, qint64 count,
                             const FieldMatcher& matcher) {
    for (qint64 i = 0; i < count; ++i) {
        const char* record = records + i * kRecordSize;
        if (matcher.matches(record))
            addRecord(record, first + i);
    }
}

namespace {

// Copies the shown field of column C without the blanks around it to out and returns its
// length. The field is copied at its full width, which is a few fixed moves instead of a call;
// only the trimmed part counts, and out has room for the full width.
template <std::size_t C> std::uint8_t copyTrimmed(const char* record, char* out) {
    constexpr FieldLayout l = layout(ListColumn::kFields[C]);
    const char* field = record + l.offset;
    const auto [begin, end] = textSpan(record, l);
    if (begin == 0)
        std::memcpy(out, field, l.width);
    else
        std::memmove(out, field + begin, static_cast<std::size_t>(end - begin));
    return static_cast<std::uint8_t>(end - begin);
}

} // namespace

void RecordRows::addRecord(const char* record, qint64 recNo) {
    // The fields are copied straight behind the text of the rows before, each where the text
    // of the fields before it ends, so room for all six at full width comes first. The text
    // keeps that room from one filling of the list to the next.
    if (m_text.size() < m_textEnd + kMaxRowText)
        m_text.resize(m_textEnd + kMaxRowText);
    char* text = m_text.data() + m_textEnd;
    Row& row = m_rows.emplace_back();
    row.offset = m_textEnd;
    row.recNo = recNo;
    std::size_t used = 0;
    [&]<std::size_t... C>(std::index_sequence<C...>) {
        ((row.length[C] = copyTrimmed<C>(record, text + used), used += row.length[C]), ...);
    }
    (std::make_index_sequence<ListColumn::kFields.size()>());
    m_textEnd += used;
}

void RecordRows::clear() {
    m_rows.clear();
    m_textEnd = 0;
}

void RecordRows::reserveLike(const RecordRows& other) {
    const std::size_t rows = other.m_rows.size();
    m_rows.reserve(rows + rows / 8);
    // addRecord() wants room for a whole row behind the text before it.
    m_text.reserve(other.m_textEnd + other.m_textEnd / 8 + kMaxRowText);
}

std::string_view RecordRows::bytes(std::size_t row, int column) const {
    const Row& r = m_rows[row];
    std::size_t offset = r.offset;
    for (int c = 0; c < column; ++c)
        offset += r.length[static_cast<std::size_t>(c)];
    return std::string_view(m_text.data() + offset, r.length[static_cast<std::size_t>(column)]);
}

QString RecordRows::text(std::size_t row, int column) const {
    if (column == ListColumn::RecNo)
        return QString::number(m_rows[row].recNo);
    const std::string_view b = bytes(row, column);
    return cp1250::decode(QByteArrayView(b.data(), static_cast<qsizetype>(b.size())));
}
