#pragma once

#include "store/record.h"

#include <QString>

#include <cstdint>

// Made-up but realistic Hungarian contacts for measuring the program on large registers:
// accented names with a skewed frequency, settlements with matching postcodes and area codes,
// street addresses, phone numbers, and notes, e-mail and web addresses that are often empty.
// The same seed always gives the same register, byte for byte.
namespace contactgen {

inline constexpr std::uint64_t kDefaultSeed = 0x5A656C76616E6F72;

class RegisterGenerator {
public:
    explicit RegisterGenerator(std::uint64_t seed = kDefaultSeed);

    // Writes the next contact's kRecordSize bytes (Windows-1250, blank-filled).
    void next(char* record);
    Record next();

private:
    std::uint64_t m_state;
};

// Writes a Telefon.dat of count contacts to path. The file is written beside it under another
// name, flushed to disk and then renamed over path, so an interrupted run never leaves a file of
// the right size with missing records. Returns an empty text on success, else what failed.
QString writeRegister(const QString& path, qint64 count, std::uint64_t seed = kDefaultSeed);

} // namespace contactgen
