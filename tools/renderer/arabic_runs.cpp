#include "arabic_runs.h"

#include "base/utf8.h"

#include <array>
#include <utility>

namespace {

constexpr std::string_view kSplit = "<!---->";

bool IsBlank(char32_t cp) { return cp == ' ' || cp == '\t' || cp == '\n' || cp == '\r' || cp == '\f'; }

}  // namespace

bool IsArabicLetter(char32_t cp)
{
    // Letters and marks of the Arabic blocks, without the Arabic comma,
    // semicolon, question mark, full stop, percent sign and digits, which
    // sit beside the letters as Latin punctuation does.
    static constexpr std::array<std::pair<char32_t, char32_t>, 13> kRanges{{
        {0x0610, 0x061A}, {0x0620, 0x065F}, {0x066E, 0x06D3}, {0x06D5, 0x06DC}, {0x06DF, 0x06E8},
        {0x06EA, 0x06EF}, {0x06FA, 0x06FF}, {0x0750, 0x077F}, {0x08A0, 0x08FF}, {0xFB50, 0xFD3D},
        {0xFD50, 0xFDFB}, {0xFE70, 0xFEFC}, {0x200C, 0x200D},
    }};
    for (const auto& [first, last] : kRanges)
        if (cp >= first && cp <= last) return true;
    return false;
}

std::string SeparateArabicRuns(std::string_view text)
{
    bool letters = false, others = false;
    for (std::size_t at = 0; at < text.size();) {
        const char32_t cp = NextCodePoint(text, at);
        if (IsArabicLetter(cp))
            letters = true;
        else if (!IsBlank(cp))
            others = true;
    }
    if (!letters || !others) return {};

    std::string out;
    out.reserve(text.size() + text.size() / 2);
    bool inRun = false;
    for (std::size_t at = 0; at < text.size();) {
        const std::size_t begin = at;
        const bool letter = IsArabicLetter(NextCodePoint(text, at));
        if (letter != inRun) out += kSplit;
        inRun = letter;
        out.append(text.substr(begin, at - begin));
    }
    if (inRun) out += kSplit;
    return out;
}
