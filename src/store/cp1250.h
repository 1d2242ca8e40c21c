#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QStringView>

#include <array>
#include <cstdint>
#include <optional>

// Windows-1250, the one-byte-per-character code page of the data file and the exchange files.
// The five bytes the code page leaves unassigned (0x81, 0x83, 0x88, 0x90, 0x98) map to the C1
// controls of the same value, so that any byte read from a file is written back unchanged.
namespace cp1250 {

// The character a byte stands for.
char16_t toUnicode(std::uint8_t byte);

// The byte of a character, or nothing when the code page has no such character.
std::optional<std::uint8_t> fromUnicode(char32_t ch);

// Bytes to text.
QString decode(QByteArrayView bytes);

// Text to bytes; a character the code page lacks becomes '?'.
QByteArray encode(QStringView text);

// Text to bytes; nothing when any character is missing from the code page.
std::optional<QByteArray> encodeExact(QStringView text);

// The byte of the upper-case form of each byte's character (the simple one-to-one case
// mapping). A byte whose upper-case character the code page lacks maps to itself, so two bytes
// map to the same value exactly when their characters have the same upper-case form.
const std::array<std::uint8_t, 256>& upperTable();

} // namespace cp1250
