// Checks on the HTML pages that mobi2html writes.
#pragma once

#include "html_tokens.h"

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

// Text without blanks, so that words broken across lines are still found.
inline std::string Squeezed(std::string_view text)
{
    std::string out;
    for (const char c : text)
        if (c != ' ' && c != '\n' && c != '\r' && c != '\f' && c != '\t') out += c;
    return out;
}

// The first `count` characters that a reader sees after the start tag of
// the element with id `id`, without blanks.
inline std::string WordsAfter(const std::string& html, const std::string& id, std::size_t count)
{
    const std::size_t at = html.find("id=\"" + id + "\"");
    if (at == std::string::npos) return "no id " + id;
    const std::size_t tagEnd = html.find('>', at);
    return Squeezed(DecodeHtmlEntities(VisibleText(std::string_view(html).substr(tagEnd + 1, 4000)))).substr(0, count);
}

inline bool HasVisibleText(std::string_view markup)
{
    return VisibleText(markup).find_first_not_of(" \t\r\n") != std::string::npos;
}

// The hidden table of contents that opens the body, the renderer's outline.
inline constexpr std::string_view kNavStart = "<body>\n<nav id=\"corvale-toc\" hidden style=\"display:none\">";

// The <nav> element at the start of the body; empty when there is none.
inline std::string_view NavOf(std::string_view page)
{
    const std::size_t open = page.find(kNavStart);
    const std::size_t close = page.find("</nav>", open);
    if (open == std::string_view::npos || close == std::string_view::npos) return {};
    return page.substr(open + 7, close + 6 - open - 7);
}

// The body of the page as a reader sees it: what lies between <body> and
// </body>, without the hidden table of contents.
inline std::string_view BodyOf(std::string_view page)
{
    std::size_t open = page.find("<body>");
    const std::size_t close = page.rfind("</body>");
    if (open == std::string_view::npos || close == std::string_view::npos || close < open) return {};
    open += 6;
    if (const std::string_view nav = NavOf(page); !nav.empty()) open = static_cast<std::size_t>(nav.data() - page.data()) + nav.size();
    return page.substr(open, close - open);
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

// The content of <meta name="`name`" content="...">; empty when the page has none.
inline std::string MetaContent(const std::string& page, const std::string& name)
{
    std::smatch match;
    const std::regex pattern("<meta name=\"" + name + "\" content=\"([^\"]*)\">");
    return std::regex_search(page, match, pattern) ? match[1].str() : std::string();
}

// The (href, label) of each entry of the table of contents, in order, with
// the nesting depth of each (0 for the top level).
struct NavLink {
    std::string href;
    std::string label;
    int depth = 0;
};
inline std::vector<NavLink> NavLinks(std::string_view page)
{
    std::vector<NavLink> links;
    const std::string nav(NavOf(page));
    int depth = -1;
    const std::regex token("<ol>|</ol>|<a href=\"([^\"]*)\">([^<]*)</a>");
    for (auto match = std::sregex_iterator(nav.begin(), nav.end(), token); match != std::sregex_iterator(); ++match) {
        const std::string text = (*match)[0].str();
        if (text == "<ol>")
            ++depth;
        else if (text == "</ol>")
            --depth;
        else
            links.push_back({(*match)[1].str(), (*match)[2].str(), depth});
    }
    return links;
}
