#pragma once

#include "store/record.h"

#include <array>
#include <bit>
#include <cstdint>

// SSE2 is part of every x86-64 processor; GCC and Clang say so with __SSE2__, MSVC does not.
#if defined(__SSE2__) || defined(_M_X64) || defined(_M_AMD64)
#define ZELVANOR_SSE2 1
#include <emmintrin.h>
#endif

// A few byte values, looked for in a record's field sixteen bytes at a time. The answer is a
// mask with bit i set where byte i of the field is one of the values, which the list and the
// search turn into a field's length or a search text's first places with a few bit operations
// instead of a loop whose length differs from record to record.
class ByteSet {
public:
    static constexpr int kCapacity = 4;

    ByteSet() = default;
    explicit ByteSet(std::uint8_t byte) { add(byte); }

    // False, and the set left as it was, when it is full.
    bool add(std::uint8_t byte) {
        if (m_count == kCapacity)
            return false;
#ifdef ZELVANOR_SSE2
        m_splat[m_count] = _mm_set1_epi8(static_cast<char>(byte));
#else
        m_bytes[static_cast<std::size_t>(m_count)] = byte;
#endif
        ++m_count;
        return true;
    }

    // Reads sixteen bytes at a time, so a field narrower than that is read together with the
    // bytes before it; the record holds them, as every field ends 16 bytes or more into it.
    std::uint64_t positionsIn(const char* record, FieldLayout field) const {
        const int width = field.width;
        const char* end = record + field.offset + width;
        if (width < 16)
            return in16(end - 16) >> (16 - width);
        std::uint64_t mask = 0;
        int at = 0;
        for (; at + 16 <= width; at += 16)
            mask |= in16(record + field.offset + at) << at;
        // The rest of a width that is no multiple of 16: the last sixteen bytes again.
        if (at < width)
            mask |= in16(end - 16) << (width - 16);
        return mask;
    }

private:
    // Bit i set where p[i] is in the set.
    std::uint64_t in16(const char* p) const {
#ifdef ZELVANOR_SSE2
        const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
        __m128i equal = _mm_setzero_si128();
        for (int i = 0; i < m_count; ++i)
            equal = _mm_or_si128(equal, _mm_cmpeq_epi8(bytes, m_splat[i]));
        return static_cast<std::uint32_t>(_mm_movemask_epi8(equal));
#else
        std::uint64_t mask = 0;
        for (int b = 0; b < 16; ++b)
            for (int i = 0; i < m_count; ++i)
                if (static_cast<std::uint8_t>(p[b]) == m_bytes[static_cast<std::size_t>(i)])
                    mask |= std::uint64_t(1) << b;
        return mask;
#endif
    }

#ifdef ZELVANOR_SSE2
    __m128i m_splat[kCapacity]{}; // each byte in all sixteen places
#else
    std::array<std::uint8_t, kCapacity> m_bytes{};
#endif
    int m_count = 0;
};

static_assert(
    [] {
        for (const FieldLayout& f : kLayout)
            if (f.width > 64 || f.offset + f.width < 16)
                return false;
        return true;
    }(),
    "ByteSet::positionsIn needs fields of at most 64 bytes that end 16 or more into the record");

// Bits 0 to width - 1.
constexpr std::uint64_t widthMask(int width) {
    return width >= 64 ? ~std::uint64_t(0) : (std::uint64_t(1) << width) - 1;
}

// The places of a field's characters other than the blank.
inline std::uint64_t textPositions(const char* record, FieldLayout field) {
    return ~ByteSet(' ').positionsIn(record, field) & widthMask(field.width);
}

// The field's text without the blanks around it, as trimBlanks() finds it, but from the mask.
inline BlankTrimmed textSpan(const char* record, FieldLayout field) {
    const std::uint64_t text = textPositions(record, field);
    // Without a branch: blank fields are common, and which fields are blank differs from
    // record to record. A blank field gives 0 and 0.
    return {text == 0 ? 0 : std::countr_zero(text), 64 - std::countl_zero(text)};
}
