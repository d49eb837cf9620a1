#include "html_tokens.h"

#include "html_entities.h"
#include "text_encoding.h"

#include <algorithm>
#include <cstdlib>
#include <utility>

namespace {

constexpr auto npos = std::string_view::npos;

bool IsSpace(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f'; }

bool IsAsciiLetter(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }

// Searches that failed once fail for every later start too; remembering that
// keeps malformed markup (a quote or '>' that never comes) from making the
// scan quadratic.
class Finder {
public:
    explicit Finder(std::string_view text) : m_text(text) {}

    std::size_t Find(char c, std::size_t from)
    {
        std::size_t& failedFrom = c == '"' ? m_quoteFailedFrom : c == '\'' ? m_aposFailedFrom : m_gtFailedFrom;
        if (from >= failedFrom) return npos;
        const std::size_t found = m_text.find(c, from);
        if (found == npos) failedFrom = from;
        return found;
    }

private:
    std::string_view m_text;
    std::size_t m_quoteFailedFrom = npos;
    std::size_t m_aposFailedFrom = npos;
    std::size_t m_gtFailedFrom = npos;
};

// Reads the attributes of a tag from `pos` (just after its name). Returns the
// position after the closing '>', or npos when the tag never ends.
std::size_t ScanTagBody(std::string_view html, std::size_t pos, Finder& finder,
                        std::vector<HtmlAttribute>* attributes, bool* selfClosing)
{
    *selfClosing = false;
    while (pos < html.size()) {
        const char c = html[pos];
        if (IsSpace(c)) {
            ++pos;
            continue;
        }
        if (c == '>') return pos + 1;
        if (c == '/') {
            *selfClosing = pos + 1 < html.size() && html[pos + 1] == '>';
            ++pos;
            continue;
        }
        *selfClosing = false;
        const std::size_t nameStart = pos;
        ++pos;  // the first character belongs to the name even if it is '=' or a quote
        while (pos < html.size() && !IsSpace(html[pos]) && html[pos] != '/' && html[pos] != '>' && html[pos] != '=')
            ++pos;
        HtmlAttribute attribute;
        if (attributes) attribute.name = ToAsciiLower(html.substr(nameStart, pos - nameStart));
        std::size_t afterName = pos;
        while (afterName < html.size() && IsSpace(html[afterName])) ++afterName;
        if (afterName < html.size() && html[afterName] == '=') {
            pos = afterName + 1;
            while (pos < html.size() && IsSpace(html[pos])) ++pos;
            attribute.hasValue = true;
            if (pos < html.size() && (html[pos] == '"' || html[pos] == '\'')) {
                const std::size_t close = finder.Find(html[pos], pos + 1);
                if (close == npos) {
                    // An unterminated quote: the value runs to the next '>',
                    // which ends the tag, so the rest of the book stays text.
                    const std::size_t gt = finder.Find('>', pos + 1);
                    if (gt == npos) return npos;
                    if (attributes) {
                        attribute.value = std::string(html.substr(pos + 1, gt - pos - 1));
                        attributes->push_back(std::move(attribute));
                    }
                    return gt + 1;
                }
                if (attributes) attribute.value = std::string(html.substr(pos + 1, close - pos - 1));
                pos = close + 1;
            } else {
                const std::size_t valueStart = pos;
                while (pos < html.size() && !IsSpace(html[pos]) && html[pos] != '>') ++pos;
                if (attributes) attribute.value = std::string(html.substr(valueStart, pos - valueStart));
            }
        }
        if (attributes) attributes->push_back(std::move(attribute));
    }
    return npos;
}

// Where the end tag `</name` of a raw text element starts, at or after `from`.
std::size_t FindRawTextEnd(std::string_view html, std::size_t from, std::string_view name)
{
    for (std::size_t pos = html.find("</", from); pos != npos; pos = html.find("</", pos + 2)) {
        const std::size_t after = pos + 2 + name.size();
        if (after > html.size()) return npos;
        bool same = true;
        for (std::size_t i = 0; i < name.size() && same; ++i) same = AsciiLower(html[pos + 2 + i]) == name[i];
        if (same && (after == html.size() || IsSpace(html[after]) || html[after] == '>' || html[after] == '/'))
            return pos;
    }
    return npos;
}

// Attribute names that can be written back as they are; anything else (a
// stray quote or '<' taken for a name) is left out of the rewritten tag.
bool IsWritableName(std::string_view name)
{
    if (name.empty()) return false;
    return std::all_of(name.begin(), name.end(), [](char c) {
        return IsAsciiLetter(c) || (c >= '0' && c <= '9') || c == '-' || c == '_' || c == ':' || c == '.';
    });
}

bool StartsWithAt(std::string_view html, std::size_t pos, std::string_view prefix)
{
    return html.substr(pos, prefix.size()) == prefix;
}

}  // namespace

bool IsOneOf(std::string_view name, std::initializer_list<std::string_view> names)
{
    return std::find(names.begin(), names.end(), name) != names.end();
}

bool IsVoidElement(std::string_view name)
{
    return IsOneOf(name, {"area", "base", "br", "col", "embed", "hr", "img", "input", "link", "meta", "param",
                          "source", "track", "wbr", "basefont", "bgsound", "frame", "keygen"});
}

bool HasRawTextContent(std::string_view name)
{
    return IsOneOf(name, {"script", "style", "textarea", "title", "xmp", "iframe", "noembed", "noframes"});
}

std::vector<HtmlToken> TokenizeHtml(std::string_view html)
{
    std::vector<HtmlToken> tokens;
    tokens.reserve(html.size() / 24);
    Finder finder(html);
    std::size_t textStart = 0;
    std::size_t pos = 0;

    const auto flushText = [&](std::size_t end) {
        if (end > textStart) tokens.push_back({HtmlTokenKind::Text, html.substr(textStart, end - textStart), {}, false});
    };
    const auto addToken = [&](HtmlTokenKind kind, std::size_t start, std::size_t end, std::string name, bool selfClosing) {
        flushText(start);
        tokens.push_back({kind, html.substr(start, end - start), std::move(name), selfClosing});
        textStart = pos = end;
    };

    while ((pos = html.find('<', pos)) != npos) {
        const std::size_t start = pos;
        const char next = start + 1 < html.size() ? html[start + 1] : '\0';

        if (IsAsciiLetter(next) || (next == '/' && start + 2 < html.size() && IsAsciiLetter(html[start + 2]))) {
            const bool isEnd = next == '/';
            const std::size_t nameStart = start + (isEnd ? 2 : 1);
            std::size_t nameEnd = nameStart;
            while (nameEnd < html.size() && !IsSpace(html[nameEnd]) && html[nameEnd] != '/' && html[nameEnd] != '>')
                ++nameEnd;
            std::string name = ToAsciiLower(html.substr(nameStart, nameEnd - nameStart));
            bool selfClosing = false;
            std::size_t end = npos;
            if (isEnd) {
                const std::size_t gt = finder.Find('>', nameEnd);
                if (gt != npos) end = gt + 1;
            } else {
                end = ScanTagBody(html, nameEnd, finder, nullptr, &selfClosing);
            }
            if (end == npos) {  // never closed: the '<' is text
                pos = start + 1;
                continue;
            }
            const bool rawText = !isEnd && !selfClosing && HasRawTextContent(name);
            addToken(isEnd ? HtmlTokenKind::EndTag : HtmlTokenKind::StartTag, start, end, name, selfClosing);
            if (rawText) {
                const std::size_t close = FindRawTextEnd(html, pos, name);
                pos = close == npos ? html.size() : close;
                flushText(pos);
                textStart = pos;
                if (close == npos) break;
            }
            continue;
        }
        if (StartsWithAt(html, start, "<!--")) {
            const std::size_t close = html.find("-->", start + 4);
            addToken(HtmlTokenKind::Other, start, close == npos ? html.size() : close + 3, {}, false);
            continue;
        }
        if (StartsWithAt(html, start, "<![CDATA[")) {
            const std::size_t close = html.find("]]>", start + 9);
            addToken(HtmlTokenKind::Other, start, close == npos ? html.size() : close + 3, {}, false);
            continue;
        }
        if (next == '!' || next == '?') {
            const std::size_t close = finder.Find('>', start + 2);
            addToken(HtmlTokenKind::Other, start, close == npos ? html.size() : close + 1, {}, false);
            continue;
        }
        pos = start + 1;  // a lone '<' is text
    }
    flushText(html.size());
    return tokens;
}

std::vector<HtmlAttribute> ParseAttributes(const HtmlToken& tag)
{
    std::vector<HtmlAttribute> attributes;
    if (tag.kind != HtmlTokenKind::StartTag) return attributes;
    const std::string_view raw = tag.raw;
    std::size_t pos = 1;
    while (pos < raw.size() && !IsSpace(raw[pos]) && raw[pos] != '/' && raw[pos] != '>') ++pos;
    Finder finder(raw);
    bool selfClosing = false;
    ScanTagBody(raw, pos, finder, &attributes, &selfClosing);
    return attributes;
}

std::string FormatStartTag(std::string_view name, const std::vector<HtmlAttribute>& attributes, bool selfClosing)
{
    std::string tag = "<";
    tag += name;
    for (const HtmlAttribute& attribute : attributes) {
        if (!IsWritableName(attribute.name)) continue;
        tag += ' ';
        tag += attribute.name;
        if (!attribute.hasValue) continue;
        tag += "=\"";
        for (const char c : attribute.value) {
            if (c == '"')
                tag += "&quot;";
            else
                tag += c;
        }
        tag += '"';
    }
    tag += selfClosing ? " />" : ">";
    return tag;
}

const HtmlAttribute* FindAttribute(const std::vector<HtmlAttribute>& attributes, std::string_view name)
{
    for (const HtmlAttribute& attribute : attributes)
        if (attribute.name == name) return &attribute;
    return nullptr;
}

std::string EscapeHtml(std::string_view text)
{
    std::string escaped;
    escaped.reserve(text.size());
    for (const char c : text) {
        switch (c) {
        case '&': escaped += "&amp;"; break;
        case '<': escaped += "&lt;"; break;
        case '>': escaped += "&gt;"; break;
        case '"': escaped += "&quot;"; break;
        default: escaped += c;
        }
    }
    return escaped;
}

std::string EscapeQuotes(std::string_view markupText)
{
    std::string escaped;
    escaped.reserve(markupText.size());
    for (const char c : markupText) {
        if (c == '"')
            escaped += "&quot;";
        else
            escaped += c;
    }
    return escaped;
}

namespace {

// Decodes numeric character references and the named ones `lookup` knows
// (it returns 0 for a name it doesn't); others stay as written.
template <typename Lookup>
std::string DecodeEntities(std::string_view text, Lookup lookup)
{
    std::string decoded;
    decoded.reserve(text.size());
    std::size_t pos = 0;
    while (pos < text.size()) {
        const std::size_t amp = text.find('&', pos);
        const std::size_t semicolon = amp == npos ? npos : text.find(';', amp);
        if (semicolon == npos || semicolon - amp > 10) {
            const std::size_t end = amp == npos ? text.size() : amp + 1;
            decoded.append(text.substr(pos, end - pos));
            pos = end;
            continue;
        }
        decoded.append(text.substr(pos, amp - pos));
        const std::string_view name = text.substr(amp + 1, semicolon - amp - 1);
        std::uint32_t codePoint = 0;
        if (name.size() > 1 && name[0] == '#') {
            const bool hex = name[1] == 'x' || name[1] == 'X';
            const std::string digits(name.substr(hex ? 2 : 1));
            char* end = nullptr;
            const unsigned long cp = std::strtoul(digits.c_str(), &end, hex ? 16 : 10);
            if (!digits.empty() && end && *end == '\0' && cp > 0 && cp <= 0x10FFFF && (cp < 0xD800 || cp > 0xDFFF))
                codePoint = static_cast<std::uint32_t>(cp);
        } else {
            codePoint = lookup(name);
        }
        if (codePoint)
            AppendUtf8(decoded, codePoint);
        else
            decoded.append(text.substr(amp, semicolon - amp + 1));
        pos = semicolon + 1;
    }
    return decoded;
}

}  // namespace

std::string DecodeBasicEntities(std::string_view text)
{
    return DecodeEntities(text, [](std::string_view name) -> std::uint32_t {
        static constexpr std::pair<std::string_view, char> kNamed[] = {
            {"amp", '&'}, {"lt", '<'}, {"gt", '>'}, {"quot", '"'}, {"apos", '\''}};
        for (const auto& [entity, c] : kNamed)
            if (name == entity) return static_cast<std::uint32_t>(c);
        return 0;
    });
}

std::string DecodeHtmlEntities(std::string_view text) { return DecodeEntities(text, HtmlEntityCodePoint); }

std::string CollapseSpaces(std::string_view text)
{
    std::string collapsed;
    for (const char c : text) {
        const bool space = IsSpace(c);
        if (space && (collapsed.empty() || collapsed.back() == ' ')) continue;
        collapsed += space ? ' ' : c;
    }
    if (!collapsed.empty() && collapsed.back() == ' ') collapsed.pop_back();
    return collapsed;
}

std::string_view TrimSpaces(std::string_view text)
{
    std::size_t first = 0, last = text.size();
    while (first < last && IsSpace(text[first])) ++first;
    while (last > first && IsSpace(text[last - 1])) --last;
    return text.substr(first, last - first);
}

bool IsBlankText(const HtmlToken& token)
{
    return token.kind == HtmlTokenKind::Text && TrimSpaces(token.raw).empty();
}
