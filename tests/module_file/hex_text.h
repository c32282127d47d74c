#pragma once
// Hexadecimal text to bytes and back, for known-answer tables.
#include <cstddef>
#include <stdexcept>
#include <string>

namespace zvk_test {

inline std::string from_hex(const std::string& text) {
    auto nibble = [](char c) -> int {
        if (c >= '0' && c <= '9')
            return c - '0';
        if (c >= 'a' && c <= 'f')
            return c - 'a' + 10;
        if (c >= 'A' && c <= 'F')
            return c - 'A' + 10;
        throw std::invalid_argument("not a hex digit");
    };
    if (text.size() % 2)
        throw std::invalid_argument("odd number of hex digits");
    std::string bytes;
    for (std::size_t i = 0; i < text.size(); i += 2)
        bytes += char(nibble(text[i]) * 16 + nibble(text[i + 1]));
    return bytes;
}

inline std::string to_hex(const std::string& bytes) {
    static const char digits[] = "0123456789abcdef";
    std::string text;
    for (unsigned char c : bytes) {
        text += digits[c >> 4];
        text += digits[c & 15];
    }
    return text;
}

} // namespace zvk_test
