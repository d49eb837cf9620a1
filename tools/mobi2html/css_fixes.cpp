#include "css_fixes.h"

#include "html_tokens.h"

#include <algorithm>
#include <cstdlib>
#include <utility>

namespace {

constexpr auto npos = std::string_view::npos;

bool IsSpace(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f'; }

bool IsNameChar(char c)
{
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '-' || c == '_' ||
           static_cast<unsigned char>(c) >= 0x80;
}

// End of the string literal that starts at `pos` (just past its closing quote).
std::size_t SkipString(std::string_view css, std::size_t pos)
{
    const char quote = css[pos];
    for (++pos; pos < css.size(); ++pos) {
        if (css[pos] == '\\') {
            ++pos;
        } else if (css[pos] == quote || css[pos] == '\n') {
            return pos + 1;
        }
    }
    return css.size();
}

std::size_t SkipComment(std::string_view css, std::size_t pos)
{
    const std::size_t close = css.find("*/", pos + 2);
    return close == npos ? css.size() : close + 2;
}

// End of the at-rule that starts at `pos`: after its ';', or after the block
// that closes it, whichever comes first.
std::size_t SkipAtRule(std::string_view css, std::size_t pos)
{
    int depth = 0;
    while (pos < css.size()) {
        const char c = css[pos];
        if (c == '"' || c == '\'') {
            pos = SkipString(css, pos);
            continue;
        }
        if (c == '/' && pos + 1 < css.size() && css[pos + 1] == '*') {
            pos = SkipComment(css, pos);
            continue;
        }
        ++pos;
        if (c == ';' && depth == 0) return pos;
        if (c == '{') ++depth;
        if (c == '}' && --depth <= 0) return pos;
    }
    return css.size();
}

// The target of a url() argument: without blanks and quotes, also quotes
// written as entities inside a style attribute.
std::string_view UrlTarget(std::string_view argument)
{
    const auto trim = [](std::string_view& text) {
        while (!text.empty() && IsSpace(text.front())) text.remove_prefix(1);
        while (!text.empty() && IsSpace(text.back())) text.remove_suffix(1);
    };
    trim(argument);
    for (const std::string_view quote : {"\"", "'", "&quot;", "&#34;", "&apos;", "&#39;"}) {
        if (argument.size() >= 2 * quote.size() && argument.starts_with(quote) && argument.ends_with(quote)) {
            argument = argument.substr(quote.size(), argument.size() - 2 * quote.size());
            trim(argument);
            break;
        }
    }
    return argument;
}

// Length of a url(...) at `pos` (case-insensitive), or 0 when there is none.
std::size_t UrlLength(std::string_view css, std::size_t pos, std::string_view& argument)
{
    if (ToAsciiLower(css.substr(pos, 4)) != "url(") return 0;
    if (pos > 0 && IsNameChar(css[pos - 1])) return 0;
    std::size_t end = pos + 4;
    while (end < css.size() && IsSpace(css[end])) ++end;
    if (end < css.size() && (css[end] == '"' || css[end] == '\'')) end = SkipString(css, end);
    const std::size_t close = css.find(')', end);
    if (close == npos) return 0;
    argument = css.substr(pos + 4, close - pos - 4);
    return close + 1 - pos;
}

// A media query of a KF8 style sheet as a browser should read it: the media
// type amzn-kf8 (the rules for KF8 readers, which the book is read as) is
// every medium; amzn-mobi (older readers) stays a type that matches nothing.
std::string KindleMediaQuery(std::string_view query)
{
    std::string rewritten(query);
    const std::string lower = ToAsciiLower(query);
    for (std::size_t pos = lower.rfind("amzn-kf8"); pos != npos; pos = pos == 0 ? npos : lower.rfind("amzn-kf8", pos - 1))
        rewritten.replace(pos, 8, "all");
    return rewritten;
}

// Absolute font sizes below this many points are raised to it: the page
// prints CSS points at their size on A4.
constexpr double kLeastFontPoints = 9;

// A length of an absolute unit in points; 0 when `text` is none.
double AbsolutePoints(std::string_view text)
{
    std::size_t end = 0;
    while (end < text.size() && ((text[end] >= '0' && text[end] <= '9') || text[end] == '.')) ++end;
    if (end == 0) return 0;
    const double number = std::strtod(std::string(text.substr(0, end)).c_str(), nullptr);
    const std::string unit = ToAsciiLower(text.substr(end));
    static constexpr std::pair<std::string_view, double> kPointsPer[] = {
        {"px", 0.75}, {"pt", 1}, {"pc", 12}, {"in", 72}, {"cm", 72 / 2.54}, {"mm", 72 / 25.4}, {"q", 72 / 101.6}};
    for (const auto& [name, points] : kPointsPer)
        if (unit == name) return number * points;
    return 0;
}

// The value of a declaration made fit for a printed page: tiny absolute
// font sizes raised to a readable size, and preformatted text that may
// wrap, since a line too long for the page would make the renderer shrink
// the whole book to fit it. Other values stay as they are.
std::string FixValue(std::string_view property, std::string_view value)
{
    // The value without !important and the blanks around it, which stay.
    const std::size_t bang = std::min(value.find('!'), value.size());
    std::size_t begin = 0, end = bang;
    while (begin < end && IsSpace(value[begin])) ++begin;
    while (end > begin && IsSpace(value[end - 1])) --end;
    const std::string plain = ToAsciiLower(value.substr(begin, end - begin));
    const auto replaced = [&](std::string_view by) {
        return std::string(value.substr(0, begin)) + std::string(by) + std::string(value.substr(end));
    };
    if (property == "white-space" && plain == "pre") return replaced("pre-wrap");
    if (property == "font-size") {
        // The keywords as the renderer sizes them: 9 and 10 pixels.
        const double points = plain == "xx-small" ? 6.75 : plain == "x-small" ? 7.5 : AbsolutePoints(plain);
        if (points > 0 && points < kLeastFontPoints)
            return replaced(std::to_string(static_cast<int>(kLeastFontPoints)) + "pt");
    }
    return std::string(value);
}

// A font-size or white-space declaration at `pos`: appends it, fixed, to
// `out` and returns its length up to its value's end; 0 for anything else.
std::size_t FixDeclaration(std::string_view css, std::size_t pos, std::string& out)
{
    if (pos > 0 && IsNameChar(css[pos - 1])) return 0;
    std::size_t nameEnd = pos;
    while (nameEnd < css.size() && IsNameChar(css[nameEnd])) ++nameEnd;
    const std::string property = ToAsciiLower(css.substr(pos, nameEnd - pos));
    if (property != "font-size" && property != "white-space") return 0;
    std::size_t colon = nameEnd;
    while (colon < css.size() && IsSpace(css[colon])) ++colon;
    if (colon >= css.size() || css[colon] != ':') return 0;
    const std::size_t valueEnd = std::min(css.find_first_of(";}{\"'", colon + 1), css.size());
    out.append(css.substr(pos, colon + 1 - pos));
    out += FixValue(property, css.substr(colon + 1, valueEnd - colon - 1));
    return valueEnd - pos;
}

std::string Rewrite(std::string_view css, const UrlResolver& resolve, bool wholeSheet)
{
    std::string out;
    out.reserve(css.size());
    std::size_t pos = 0;
    while (pos < css.size()) {
        const char c = css[pos];
        if (c == '/' && pos + 1 < css.size() && css[pos + 1] == '*') {
            pos = SkipComment(css, pos);
            out += ' ';
            continue;
        }
        if (c == '"' || c == '\'') {
            const std::size_t end = SkipString(css, pos);
            out.append(css, pos, end - pos);
            pos = end;
            continue;
        }
        if (wholeSheet && c == '@') {
            std::size_t nameEnd = pos + 1;
            while (nameEnd < css.size() && IsNameChar(css[nameEnd])) ++nameEnd;
            const std::string name = ToAsciiLower(css.substr(pos + 1, nameEnd - pos - 1));
            if (name == "font-face" || name == "import" || name == "charset") {
                pos = SkipAtRule(css, pos);
                continue;
            }
            if (name == "media") {
                const std::size_t blockStart = css.find('{', nameEnd);
                if (blockStart != npos) {
                    out += "@media";
                    out += KindleMediaQuery(css.substr(nameEnd, blockStart - nameEnd));
                    pos = blockStart;
                    continue;
                }
            }
        }
        if (c == 'f' || c == 'F' || c == 'w' || c == 'W') {
            if (const std::size_t length = FixDeclaration(css, pos, out)) {
                pos += length;
                continue;
            }
        }
        std::string_view argument;
        if (const std::size_t length = (c == 'u' || c == 'U') ? UrlLength(css, pos, argument) : 0) {
            const std::string target = resolve(UrlTarget(argument));
            if (target.empty()) {
                out += "none";
            } else {
                out += "url('";
                for (const char t : target) {
                    if (t == '\'' || t == '\\') out += '\\';
                    out += t;
                }
                out += "')";
            }
            pos += length;
            continue;
        }
        out += c;
        ++pos;
    }
    return out;
}

}  // namespace

std::string FixStyleSheet(std::string_view css, const UrlResolver& resolve)
{
    const std::string sheet = Rewrite(css, resolve, true);
    // "<\/" means the same to CSS (an escaped slash, also inside strings)
    // but cannot close the <style> element.
    std::string escaped;
    escaped.reserve(sheet.size());
    for (std::size_t pos = 0; pos < sheet.size(); ++pos) {
        escaped += sheet[pos];
        if (sheet[pos] == '<' && pos + 1 < sheet.size() && sheet[pos + 1] == '/') escaped += '\\';
    }
    return escaped;
}

std::string FixInlineStyle(std::string_view style, const UrlResolver& resolve) { return Rewrite(style, resolve, false); }
