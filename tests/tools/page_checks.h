// Checks on the HTML pages that mobi2html writes.
#pragma once

#include <cstddef>
#include <regex>
#include <string>
#include <string_view>
#include <vector>

// The page break mobi2html writes.
inline constexpr std::string_view kPageBreakMarker = "<div style=\"page-break-before:always\"></div>";

inline bool IsValidUtf8(std::string_view text)
{
    std::size_t i = 0;
    while (i < text.size()) {
        const auto c = static_cast<unsigned char>(text[i]);
        std::size_t length = c < 0x80 ? 1 : (c >> 5) == 0x6 ? 2 : (c >> 4) == 0xE ? 3 : (c >> 3) == 0x1E ? 4 : 0;
        if (length == 0 || (length == 2 && c < 0xC2) || i + length > text.size()) return false;
        for (std::size_t k = 1; k < length; ++k)
            if ((static_cast<unsigned char>(text[i + k]) & 0xC0) != 0x80) return false;
        i += length;
    }
    return true;
}

inline std::size_t CountOf(std::string_view text, std::string_view what)
{
    std::size_t count = 0;
    for (std::size_t pos = text.find(what); pos != std::string_view::npos; pos = text.find(what, pos + what.size()))
        ++count;
    return count;
}

// The text a reader sees in a piece of markup: tags removed.
inline std::string VisibleText(std::string_view markup)
{
    std::string text;
    bool inTag = false;
    for (const char c : markup) {
        if (c == '<') inTag = true;
        if (!inTag) text += c;
        if (c == '>') inTag = false;
    }
    return text;
}

inline bool HasVisibleText(std::string_view markup)
{
    return VisibleText(markup).find_first_not_of(" \t\r\n") != std::string::npos;
}

// The body of the page: what lies between <body> and </body>.
inline std::string_view BodyOf(std::string_view page)
{
    const std::size_t open = page.find("<body>");
    const std::size_t close = page.rfind("</body>");
    if (open == std::string_view::npos || close == std::string_view::npos || close < open) return {};
    return page.substr(open + 6, close - open - 6);
}

// Pieces of the body between its page breaks, in order.
inline std::vector<std::string_view> PagesOf(std::string_view page)
{
    std::vector<std::string_view> pages;
    std::string_view body = BodyOf(page);
    for (std::size_t pos = body.find(kPageBreakMarker); pos != std::string_view::npos;
         pos = body.find(kPageBreakMarker)) {
        pages.push_back(body.substr(0, pos));
        body.remove_prefix(pos + kPageBreakMarker.size());
    }
    pages.push_back(body);
    return pages;
}

// Values of the given attribute (written with double quotes) everywhere in the page.
inline std::vector<std::string> AttributeValues(const std::string& page, const std::string& attribute)
{
    std::vector<std::string> values;
    const std::regex pattern("[\\s<]" + attribute + "=\"([^\"]*)\"");
    for (auto match = std::sregex_iterator(page.begin(), page.end(), pattern); match != std::sregex_iterator(); ++match)
        values.push_back((*match)[1].str());
    return values;
}
