#include "csv/csvsplitter.h"

#include <cstring>

namespace {

// The record field that slot k (1 to 9) feeds: the import order puts the postcode before the
// settlement.
constexpr std::array<Field, 10> kSlotField = {
    Field::Nev,  Field::Nev,  Field::Irszam, Field::Telepules, Field::Cim,
    Field::Tel1, Field::Tel2, Field::Megj,   Field::Mail,      Field::Web};

// Slots 10 and 11 feed nothing; they keep as much as the widest record field.
constexpr int kSpareWidth = 50;

} // namespace

CsvSplitter::CsvSplitter() {
    for (int k = 1; k < kSlots; ++k)
        m_slots[static_cast<std::size_t>(k)].capacity =
            k <= kFieldCount ? layout(kSlotField[static_cast<std::size_t>(k)]).width : kSpareWidth;
}

QByteArrayView CsvSplitter::slot(int k) const {
    if (k < 1 || k >= kSlots)
        return {};
    const Slot& s = m_slots[static_cast<std::size_t>(k)];
    return QByteArrayView(s.bytes.data(), s.length);
}

Record CsvSplitter::record() const {
    Record r; // all blanks
    for (int k = 1; k <= kFieldCount; ++k) {
        const QByteArrayView bytes = trimmedBlanks(slot(k));
        std::memcpy(r.data() + layout(kSlotField[static_cast<std::size_t>(k)]).offset, bytes.data(),
                    static_cast<std::size_t>(bytes.size()));
    }
    return r;
}
