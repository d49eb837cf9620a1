#include "picture_references.h"

#include "page_splitter.h"

#include "base/ascii.h"
#include "base/paths.h"

#include <algorithm>
#include <set>

namespace fs = std::filesystem;

namespace {

// Gives each picture reference of a token to `visit`, which may change it;
// true when any was changed.
using ReferenceVisitor = std::function<void(std::string& reference)>;

// Visits the url(...) references of a style sheet or a style attribute.
bool VisitCssUrls(std::string& css, const ReferenceVisitor& visit)
{
    bool changed = false;
    std::size_t pos = 0;
    while ((pos = css.find('(', pos)) != std::string::npos) {
        const bool isUrl = pos >= 3 && AsciiLower(css[pos - 3]) == 'u' && AsciiLower(css[pos - 2]) == 'r' &&
                           AsciiLower(css[pos - 1]) == 'l';
        ++pos;
        if (!isUrl) continue;
        std::size_t begin = css.find_first_not_of(" \t\r\n", pos);
        if (begin == std::string::npos) break;
        std::size_t end;
        if (css[begin] == '"' || css[begin] == '\'') {
            end = css.find(css[begin], begin + 1);
            ++begin;
        } else {
            end = css.find(')', begin);
            while (end != std::string::npos && end > begin && (css[end - 1] == ' ' || css[end - 1] == '\t')) --end;
        }
        if (end == std::string::npos) break;
        std::string reference = css.substr(begin, end - begin);
        const std::string before = reference;
        visit(reference);
        if (reference != before) {
            css.replace(begin, end - begin, reference);
            end = begin + reference.size();
            changed = true;
        }
        pos = end;
    }
    return changed;
}

bool IsPictureAttribute(std::string_view element, std::string_view attribute)
{
    if (attribute == "background") return true;
    if (element == "img" || element == "input") return attribute == "src";
    if (element == "image") return attribute == "href" || attribute == "xlink:href";
    return false;
}

// Attributes whose file the system renderer reads besides pictures: style
// sheets, frames, media and embedded objects.
bool IsFetchedAttribute(std::string_view element, std::string_view attribute)
{
    if (IsPictureAttribute(element, attribute)) return true;
    if (element == "link") return attribute == "href";
    if (element == "object") return attribute == "data";
    if (element == "video" && attribute == "poster") return true;
    return attribute == "src" &&
           IsOneOf(element, {"iframe", "frame", "embed", "script", "audio", "video", "source", "track"});
}

// Which references a visit takes.
enum class References { Pictures, Fetched };

// Visits the references in one token; `inStyle` when it is the text of a
// <style> element. Returns the token's new text, or empty when unchanged.
std::string VisitToken(const HtmlToken& token, bool inStyle, References which, const ReferenceVisitor& visit)
{
    if (inStyle && token.kind == HtmlTokenKind::Text) {
        std::string css(token.raw);
        return VisitCssUrls(css, visit) ? css : std::string();
    }
    if (token.kind != HtmlTokenKind::StartTag) return {};
    std::vector<HtmlAttribute> attributes = ParseAttributes(token);
    bool changed = false;
    for (HtmlAttribute& attribute : attributes) {
        if (attribute.name == "style") {
            changed = VisitCssUrls(attribute.value, visit) || changed;
        } else if (which == References::Pictures ? IsPictureAttribute(token.name, attribute.name)
                                                  : IsFetchedAttribute(token.name, attribute.name)) {
            const std::string before = attribute.value;
            visit(attribute.value);
            changed = changed || attribute.value != before;
        }
    }
    return changed ? FormatStartTag(token.name, attributes, token.selfClosing) : std::string();
}

// Calls `each` for every token with whether it is the text of a <style>.
template <typename Each>
void ForEachToken(const std::vector<HtmlToken>& tokens, Each each)
{
    bool inStyle = false;
    for (std::size_t i = 0; i < tokens.size(); ++i) {
        const HtmlToken& token = tokens[i];
        each(i, inStyle && token.kind == HtmlTokenKind::Text);
        inStyle = token.kind == HtmlTokenKind::StartTag && token.name == "style" && !token.selfClosing;
    }
}

int HexValue(char c)
{
    if (c >= '0' && c <= '9') return c - '0';
    c = AsciiLower(c);
    return c >= 'a' && c <= 'f' ? c - 'a' + 10 : -1;
}

// The reference as a path: the few character references that file names
// need decoded, query and fragment cut off, %XX decoded.
std::string DecodeReference(std::string_view reference)
{
    std::string text;
    for (std::size_t i = 0; i < reference.size(); ++i) {
        if (reference[i] == '&') {
            const std::size_t semicolon = reference.find(';', i);
            const std::string_view entity =
                semicolon == std::string_view::npos ? std::string_view() : reference.substr(i + 1, semicolon - i - 1);
            const char* plain = entity == "amp" ? "&" : entity == "quot" ? "\"" : entity == "apos" ? "'"
                              : entity == "lt" ? "<" : entity == "gt" ? ">" : nullptr;
            if (plain) {
                text += plain;
                i = semicolon;
                continue;
            }
        }
        text += reference[i];
    }
    text = text.substr(0, text.find_first_of("?#"));
    std::string path;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '%' && i + 2 < text.size() && HexValue(text[i + 1]) >= 0 && HexValue(text[i + 2]) >= 0) {
            path += static_cast<char>(HexValue(text[i + 1]) * 16 + HexValue(text[i + 2]));
            i += 2;
        } else {
            path += text[i];
        }
    }
    const std::size_t first = path.find_first_not_of(" \t\r\n");
    if (first == std::string::npos) return {};
    return path.substr(first, path.find_last_not_of(" \t\r\n") - first + 1);
}

bool HasScheme(std::string_view reference)
{
    const std::size_t colon = reference.find(':');
    if (colon == std::string_view::npos || colon == 0) return false;
    return std::all_of(reference.begin(), reference.begin() + static_cast<std::ptrdiff_t>(colon), [](char c) {
        return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '+' || c == '-' ||
               c == '.';
    });
}

}  // namespace

fs::path ResolvePicture(std::string_view reference, const fs::path& folder)
{
    const std::string path = DecodeReference(reference);
    if (path.empty() || HasScheme(path) || path.front() == '/') return {};
    std::error_code error;
    const fs::path file = fs::canonical(folder / path, error);
    if (error || !fs::is_regular_file(file, error)) return {};
    return LiesBelow(folder, file) ? file : fs::path();
}

bool NamesUnreadable(std::string_view reference, const fs::path& folder)
{
    std::string path = DecodeReference(reference);
    // A file address names a path of this machine as well.
    if (EqualsIgnoringAsciiCase(std::string_view(path).substr(0, 7), "file://")) path.erase(0, 7);
    if (path.empty() || HasScheme(path)) return false;
    // Only paths inside the folder: the system renderer is let into nothing else.
    const fs::path named = (path.front() == '/' ? fs::path(path) : folder / path).lexically_normal();
    if (!LiesBelow(folder, named)) return false;
    std::error_code error;
    if (!fs::exists(fs::symlink_status(named, error))) return false;  // nothing there to be held up by
    const fs::path file = fs::canonical(named, error);
    return error || !fs::is_regular_file(file, error) || !LiesBelow(folder, file);
}

std::vector<fs::path> FindPictureFiles(const std::vector<HtmlToken>& tokens, const fs::path& folder)
{
    std::set<std::string> seen;
    const ReferenceVisitor visit = [&](std::string& reference) { seen.insert(reference); };
    ForEachToken(tokens, [&](std::size_t i, bool inStyle) { VisitToken(tokens[i], inStyle, References::Pictures, visit); });
    std::set<fs::path> files;
    for (const std::string& reference : seen)
        if (fs::path file = ResolvePicture(reference, folder); !file.empty()) files.insert(std::move(file));
    return {files.begin(), files.end()};
}

std::vector<TextEdit> RedirectPictures(std::string_view page, const std::vector<HtmlToken>& tokens,
                                       const fs::path& folder, const std::map<fs::path, std::string>& replacements)
{
    std::vector<TextEdit> edits;
    std::map<std::string, std::string> resolved;  // reference as written -> new reference
    const ReferenceVisitor visit = [&](std::string& reference) {
        auto known = resolved.find(reference);
        if (known == resolved.end()) {
            std::string now = reference;
            if (NamesUnreadable(reference, folder)) {
                now = kUnreadableReference;
            } else if (const auto replacement = replacements.find(ResolvePicture(reference, folder));
                       replacement != replacements.end()) {
                now = replacement->second;
            }
            known = resolved.emplace(reference, std::move(now)).first;
        }
        reference = known->second;
    };
    ForEachToken(tokens, [&](std::size_t i, bool inStyle) {
        std::string text = VisitToken(tokens[i], inStyle, References::Fetched, visit);
        if (text.empty()) return;
        const std::size_t begin = OffsetOf(page, tokens[i]);
        edits.push_back({begin, begin + tokens[i].raw.size(), std::move(text)});
    });
    return edits;
}
