#pragma once

#include <QByteArrayView>
#include <QString>

#include <array>
#include <bit>
#include <cstdint>
#include <cstring>

// One contact as it is stored in Telefon.dat: nine fixed-width fields, 279 bytes of
// Windows-1250 text, blank-filled on the right, with no separators and no terminator.
enum class Field : int { Nev, Telepules, Irszam, Cim, Tel1, Tel2, Megj, Mail, Web };

inline constexpr int kFieldCount = 9;
inline constexpr int kRecordSize = 279;

struct FieldLayout {
    int offset;
    int width;
};

inline constexpr std::array<FieldLayout, kFieldCount> kLayout = {{
    {0, 40},   // name
    {40, 25},  // settlement
    {65, 4},   // postcode
    {69, 50},  // street address
    {119, 15}, // telephone 1
    {134, 15}, // telephone 2
    {149, 50}, // note
    {199, 40}, // e-mail address
    {239, 40}, // web address
}};

constexpr FieldLayout layout(Field f) {
    return kLayout[static_cast<int>(f)];
}

// The part of a field between the blanks around it (only the blank, 32, counts).
struct BlankTrimmed {
    int begin;
    int end;
};

// Fields mostly end in a long run of blanks, so the end is looked for eight bytes at a time:
// in the first word from the right that is not all blanks, its highest non-blank byte is the
// field's last character.
inline BlankTrimmed trimBlanks(const char* field, int width) {
    constexpr std::uint64_t kEightBlanks = 0x2020202020202020ULL;
    int end = width;
    while (end >= 8) {
        std::uint64_t word;
        std::memcpy(&word, field + end - 8, sizeof word);
        const std::uint64_t differs = word ^ kEightBlanks;
        if (differs != 0) {
            const int after = std::endian::native == std::endian::little
                                  ? std::countl_zero(differs) / 8
                                  : std::countr_zero(differs) / 8;
            end -= after;
            break;
        }
        end -= 8;
    }
    while (end > 0 && field[end - 1] == ' ')
        --end;
    int begin = 0;
    while (begin < end && field[begin] == ' ')
        ++begin;
    return {begin, end};
}

// A field's bytes without the blanks around them.
QByteArrayView trimmedBlanks(QByteArrayView bytes);

class Record {
public:
    // A record of 279 blanks.
    Record();
    static Record fromBytes(const char* bytes);

    // Puts a value into a field: left-aligned, filled with blanks or cut at the field's width.
    // Leading blanks stay; a character Windows-1250 lacks is stored as '?'.
    void setField(Field f, QStringView value);

    // The stored characters of a field, all of them, trailing blanks included.
    QString rawField(Field f) const;
    // The field as shown: without leading and trailing blanks.
    QString displayField(Field f) const;
    QByteArrayView fieldBytes(Field f) const;

    const char* data() const { return m_bytes.data(); }
    char* data() { return m_bytes.data(); }

    friend bool operator==(const Record&, const Record&) = default;

private:
    std::array<char, kRecordSize> m_bytes;
};
