#include "text_encoding.h"

#include <cstdint>

namespace {

// Unicode code points of the Windows-1252 bytes 0x80..0x9F; 0 where the code
// page defines none.
constexpr char16_t kCp1252High[32] = {
    0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0,      0x017D, 0,
    0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178,
};

// C0 controls other than tab, line feed, form feed and carriage return, and
// DEL: HTML forbids them and a renderer would show them as boxes.
bool IsForbiddenControl(unsigned char c)
{
    return (c < 0x20 && c != '\t' && c != '\n' && c != '\f' && c != '\r') || c == 0x7F;
}

void AppendCp1252Byte(std::string& out, unsigned char c)
{
    if (c < 0x80) {
        if (!IsForbiddenControl(c)) out += static_cast<char>(c);
    } else if (c < 0xA0) {
        if (const char16_t cp = kCp1252High[c - 0x80]) AppendUtf8(out, cp);
    } else {
        AppendUtf8(out, c);
    }
}

// Length of the well-formed UTF-8 sequence at `pos` (2..4), or 0 when the
// bytes there are not one (stray continuation, overlong form, surrogate,
// beyond U+10FFFF, or cut off).
std::size_t Utf8SequenceLength(std::string_view text, std::size_t pos)
{
    const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(text[pos + i]); };
    const auto isTail = [&](std::size_t i) { return pos + i < text.size() && (byte(i) & 0xC0) == 0x80; };
    const unsigned char lead = byte(0);
    if (lead >= 0xC2 && lead <= 0xDF) return isTail(1) ? 2 : 0;
    if (lead >= 0xE0 && lead <= 0xEF) {
        if (!isTail(1) || !isTail(2)) return 0;
        if (lead == 0xE0 && byte(1) < 0xA0) return 0;  // overlong
        if (lead == 0xED && byte(1) > 0x9F) return 0;  // surrogate
        return 3;
    }
    if (lead >= 0xF0 && lead <= 0xF4) {
        if (!isTail(1) || !isTail(2) || !isTail(3)) return 0;
        if (lead == 0xF0 && byte(1) < 0x90) return 0;  // overlong
        if (lead == 0xF4 && byte(1) > 0x8F) return 0;  // beyond U+10FFFF
        return 4;
    }
    return 0;
}

}  // namespace

std::string Cp1252ToUtf8(std::string_view text)
{
    std::string out;
    out.reserve(text.size() + text.size() / 8);
    for (const char c : text) AppendCp1252Byte(out, static_cast<unsigned char>(c));
    return out;
}

std::string SanitizeUtf8(std::string_view text)
{
    std::string out;
    out.reserve(text.size());
    std::size_t pos = 0;
    while (pos < text.size()) {
        const auto c = static_cast<unsigned char>(text[pos]);
        if (c < 0x80) {
            if (!IsForbiddenControl(c)) out += static_cast<char>(c);
            ++pos;
        } else if (const std::size_t length = Utf8SequenceLength(text, pos)) {
            out.append(text, pos, length);
            pos += length;
        } else {
            AppendCp1252Byte(out, c);
            ++pos;
        }
    }
    return out;
}
