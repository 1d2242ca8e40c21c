#pragma once

#include <cstdint>

// The rules of well-formed UTF-8, in the one place that the readers of text files share.

// What a byte allows as the start of a character of two to four bytes.
struct Utf8Lead {
    int continuations = 0; // the bytes that must follow; 0: the byte starts no such character
    // The range of the first byte that follows. It rules out overlong forms, surrogates and
    // code points past U+10FFFF; every later one is an ordinary continuation byte.
    std::uint8_t lowest = 0x80;
    std::uint8_t highest = 0xBF;
    std::uint8_t bits = 0; // the bits of the code point that the lead byte carries
};

constexpr Utf8Lead utf8Lead(std::uint8_t b) {
    if (b >= 0xC2 && b <= 0xDF)
        return {1, 0x80, 0xBF, static_cast<std::uint8_t>(b & 0x1F)};
    if (b >= 0xE0 && b <= 0xEF)
        return {2, static_cast<std::uint8_t>(b == 0xE0 ? 0xA0 : 0x80),
                static_cast<std::uint8_t>(b == 0xED ? 0x9F : 0xBF),
                static_cast<std::uint8_t>(b & 0x0F)};
    if (b >= 0xF0 && b <= 0xF4)
        return {3, static_cast<std::uint8_t>(b == 0xF0 ? 0x90 : 0x80),
                static_cast<std::uint8_t>(b == 0xF4 ? 0x8F : 0xBF),
                static_cast<std::uint8_t>(b & 0x07)};
    return {};
}

constexpr bool isUtf8Continuation(std::uint8_t b) {
    return (b & 0xC0) == 0x80;
}
