#include "css_fixes.h"

#include "html_tokens.h"

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
    if (ToLowerAscii(css.substr(pos, 4)) != "url(") return 0;
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
    const std::string lower = ToLowerAscii(query);
    for (std::size_t pos = lower.rfind("amzn-kf8"); pos != npos; pos = pos == 0 ? npos : lower.rfind("amzn-kf8", pos - 1))
        rewritten.replace(pos, 8, "all");
    return rewritten;
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
            const std::string name = ToLowerAscii(css.substr(pos + 1, nameEnd - pos - 1));
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
