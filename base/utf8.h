// Writing and reading UTF-8, shared by the program and its tools.
#pragma once

#include <string>
#include <string_view>

// Appends the UTF-8 form of a code point (at most U+10FFFF, not a surrogate).
inline void AppendUtf8(std::string& out, char32_t cp)
{
    if (cp < 0x80) {
        out += static_cast<char>(cp);
    } else if (cp < 0x800) {
        out += static_cast<char>(0xC0 | (cp >> 6));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
        out += static_cast<char>(0xE0 | (cp >> 12));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (cp >> 18));
        out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    }
}

// The code point whose UTF-8 form starts at `pos`, moving `pos` past it. A
// byte that starts no whole sequence gives U+FFFD and moves one byte on.
inline char32_t NextCodePoint(std::string_view text, std::size_t& pos)
{
    const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(text[pos + i]); };
    const unsigned char lead = byte(0);
    const std::size_t length = lead < 0x80 ? 1 : lead >= 0xC2 && lead <= 0xDF ? 2 : lead >= 0xE0 && lead <= 0xEF ? 3
                                             : lead >= 0xF0 && lead <= 0xF4 ? 4 : 0;
    if (length == 1) {
        ++pos;
        return lead;
    }
    char32_t cp = length == 0 ? 0 : lead & (0x7F >> length);
    for (std::size_t i = 1; i < length; ++i) {
        if (pos + i >= text.size() || (byte(i) & 0xC0) != 0x80) {
            cp = 0;
            break;
        }
        cp = cp << 6 | (byte(i) & 0x3F);
    }
    const bool whole = length > 1 && cp >= (length == 2 ? 0x80u : length == 3 ? 0x800u : 0x10000u) && cp <= 0x10FFFF &&
                       (cp < 0xD800 || cp > 0xDFFF);
    pos += whole ? length : 1;
    return whole ? cp : 0xFFFD;
}
