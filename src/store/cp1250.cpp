#include "store/cp1250.h"

#include <QChar>

namespace cp1250 {
namespace {

constexpr std::array<char16_t, 128> kHigh = {
    0x20AC, 0x0081, 0x201A, 0x0083, 0x201E, 0x2026, 0x2020, 0x2021, // 0x80
    0x0088, 0x2030, 0x0160, 0x2039, 0x015A, 0x0164, 0x017D, 0x0179, // 0x88
    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014, // 0x90
    0x0098, 0x2122, 0x0161, 0x203A, 0x015B, 0x0165, 0x017E, 0x017A, // 0x98
    0x00A0, 0x02C7, 0x02D8, 0x0141, 0x00A4, 0x0104, 0x00A6, 0x00A7, // 0xA0
    0x00A8, 0x00A9, 0x015E, 0x00AB, 0x00AC, 0x00AD, 0x00AE, 0x017B, // 0xA8
    0x00B0, 0x00B1, 0x02DB, 0x0142, 0x00B4, 0x00B5, 0x00B6, 0x00B7, // 0xB0
    0x00B8, 0x0105, 0x015F, 0x00BB, 0x013D, 0x02DD, 0x013E, 0x017C, // 0xB8
    0x0154, 0x00C1, 0x00C2, 0x0102, 0x00C4, 0x0139, 0x0106, 0x00C7, // 0xC0
    0x010C, 0x00C9, 0x0118, 0x00CB, 0x011A, 0x00CD, 0x00CE, 0x010E, // 0xC8
    0x0110, 0x0143, 0x0147, 0x00D3, 0x00D4, 0x0150, 0x00D6, 0x00D7, // 0xD0
    0x0158, 0x016E, 0x00DA, 0x0170, 0x00DC, 0x00DD, 0x0162, 0x00DF, // 0xD8
    0x0155, 0x00E1, 0x00E2, 0x0103, 0x00E4, 0x013A, 0x0107, 0x00E7, // 0xE0
    0x010D, 0x00E9, 0x0119, 0x00EB, 0x011B, 0x00ED, 0x00EE, 0x010F, // 0xE8
    0x0111, 0x0144, 0x0148, 0x00F3, 0x00F4, 0x0151, 0x00F6, 0x00F7, // 0xF0
    0x0159, 0x016F, 0x00FA, 0x0171, 0x00FC, 0x00FD, 0x0163, 0x02D9, // 0xF8
};

// Reverse map for the characters above U+007F: 0 means "not in the code page".
struct Reverse {
    std::array<std::uint8_t, 0x2200> bytes{};
    Reverse() {
        for (int i = 0; i < 128; ++i)
            bytes[kHigh[i]] = static_cast<std::uint8_t>(0x80 + i);
    }
};

const Reverse& reverse() {
    static const Reverse r;
    return r;
}

struct Upper {
    std::array<std::uint8_t, 256> table{};
    Upper() {
        for (int b = 0; b < 256; ++b) {
            const char16_t up = QChar(toUnicode(static_cast<std::uint8_t>(b))).toUpper().unicode();
            const auto mapped = fromUnicode(up);
            table[b] = mapped ? *mapped : static_cast<std::uint8_t>(b);
        }
    }
};

template <typename Sink> bool encodeInto(QStringView text, Sink&& sink) {
    bool exact = true;
    const qsizetype n = text.size();
    for (qsizetype i = 0; i < n; ++i) {
        char32_t ch = text[i].unicode();
        if (QChar::isHighSurrogate(ch) && i + 1 < n && text[i + 1].isLowSurrogate()) {
            ch = QChar::surrogateToUcs4(text[i].unicode(), text[i + 1].unicode());
            ++i;
        }
        const auto b = fromUnicode(ch);
        if (!b)
            exact = false;
        sink(b ? static_cast<char>(*b) : '?');
    }
    return exact;
}

} // namespace

char16_t toUnicode(std::uint8_t byte) {
    return byte < 0x80 ? char16_t(byte) : kHigh[byte - 0x80];
}

std::optional<std::uint8_t> fromUnicode(char32_t ch) {
    if (ch < 0x80)
        return static_cast<std::uint8_t>(ch);
    if (ch >= reverse().bytes.size())
        return std::nullopt;
    const std::uint8_t b = reverse().bytes[ch];
    if (b == 0)
        return std::nullopt;
    return b;
}

QString decode(QByteArrayView bytes) {
    QString s(bytes.size(), Qt::Uninitialized);
    QChar* out = s.data();
    for (qsizetype i = 0; i < bytes.size(); ++i)
        out[i] = QChar(toUnicode(static_cast<std::uint8_t>(bytes[i])));
    return s;
}

QByteArray encode(QStringView text) {
    QByteArray out;
    out.reserve(text.size());
    encodeInto(text, [&](char c) { out.append(c); });
    return out;
}

std::optional<QByteArray> encodeExact(QStringView text) {
    QByteArray out;
    out.reserve(text.size());
    if (!encodeInto(text, [&](char c) { out.append(c); }))
        return std::nullopt;
    return out;
}

const std::array<std::uint8_t, 256>& upperTable() {
    static const Upper u;
    return u.table;
}

} // namespace cp1250
