#include "link_targets.h"

#include "open_elements.h"
#include "page_splitter.h"

#include <algorithm>
#include <unordered_map>

namespace {

constexpr std::size_t npos = std::string::npos;

// Elements a marker goes before: those that hold nothing, links (a link
// inside a link is no link), and those whose content a marker would change.
bool MarkedBefore(std::string_view name)
{
    return IsNeverOpen(name) ||
           IsOneOf(name, {"a", "pre", "listing", "textarea", "plaintext", "select", "optgroup", "option", "svg",
                          "math"});
}

// Blocks that start a line of their own with their first content.
bool IsBlock(std::string_view name)
{
    return IsOneOf(name, {"address", "article", "aside", "blockquote", "center", "dd", "details", "dialog", "div",
                          "dl", "dt", "fieldset", "figcaption", "figure", "footer", "form", "h1", "h2", "h3", "h4",
                          "h5", "h6", "header", "hgroup", "li", "main", "nav", "ol", "p", "section", "summary", "ul"});
}

bool IsIgnorable(const HtmlToken& token)
{
    return token.kind == HtmlTokenKind::Other || IsBlankText(token);
}

// An <a> at `i` that holds nothing: the index of its end tag, else 0.
std::size_t EmptyLinkEnd(const std::vector<HtmlToken>& tokens, std::size_t i)
{
    if (tokens[i].kind != HtmlTokenKind::StartTag || tokens[i].name != "a") return 0;
    return i + 1 < tokens.size() && tokens[i + 1].kind == HtmlTokenKind::EndTag && tokens[i + 1].name == "a" ? i + 1
                                                                                                              : 0;
}

// Where a marker at `offset`, before token `i`, lands with the first line
// that follows: a marker between two blocks stays behind on a page whose
// end the next block does not fit on, so it goes just inside the start tag
// of the innermost block that follows, past blanks and empty anchors, where
// it moves with that block's first line. Never into a page break, and no
// deeper than a few dozen blocks, so that deeply nested blocks with ids do
// not make each marker look through all of them.
std::size_t FirstLineOffset(std::string_view page, const std::vector<HtmlToken>& tokens, std::size_t i,
                            std::size_t offset)
{
    constexpr std::size_t kMaxTokensLookedAt = 256;
    for (const std::size_t last = std::min(tokens.size(), i + kMaxTokensLookedAt); i < last; ++i) {
        const HtmlToken& token = tokens[i];
        if (IsIgnorable(token)) continue;
        if (const std::size_t end = EmptyLinkEnd(tokens, i)) {
            i = end;
            continue;
        }
        if (token.kind != HtmlTokenKind::StartTag || !IsBlock(token.name) || token.raw == kPageBreakTag) break;
        offset = OffsetOf(page, token) + token.raw.size();
    }
    return offset;
}

// The ids that links of the body lead to, each with the number of its
// target once it is marked.
std::unordered_map<std::string, std::size_t> LinkedIds(const std::vector<HtmlToken>& tokens, std::size_t body)
{
    std::unordered_map<std::string, std::size_t> ids;
    for (std::size_t i = body; i < tokens.size(); ++i) {
        const HtmlToken& token = tokens[i];
        if (token.kind != HtmlTokenKind::StartTag || token.name != "a") continue;
        const std::vector<HtmlAttribute> attributes = ParseAttributes(token);
        const HtmlAttribute* href = FindAttribute(attributes, "href");
        if (href && href->value.size() > 1 && href->value.front() == '#') ids.emplace(href->value.substr(1), npos);
    }
    return ids;
}

struct Insertion {
    std::size_t offset = 0;
    std::size_t target = 0;
};

}  // namespace

std::string MarkerRules()
{
    const std::string selector = "a[href^=\"" + std::string(kMarkerAddress) + "\"]";
    return selector +
           " { float: left !important; position: static !important; display: block !important;"
           " visibility: visible !important; width: 1px !important; height: 1px !important;"
           " margin: 0 -1px 0 0 !important; padding: 0 !important; border: 0 !important; clear: none !important; }\n" +
           selector + "::before, " + selector + "::after { content: none !important; }\n";
}

MarkedPage MarkLinkTargets(std::string_view page, const std::vector<HtmlToken>& tokens)
{
    MarkedPage marked;
    std::size_t body = 0;
    while (body < tokens.size() && !(tokens[body].kind == HtmlTokenKind::StartTag && tokens[body].name == "body"))
        ++body;
    if (body == tokens.size()) {
        marked.page = std::string(page);
        return marked;
    }
    std::unordered_map<std::string, std::size_t> ids = LinkedIds(tokens, body);

    std::vector<Insertion> insertions;
    std::size_t linkStart = npos;     // the start tag of the link the tokens are inside
    std::size_t foreignStart = npos;  // the outermost <svg> or <math> they are inside
    int foreignDepth = 0;
    for (std::size_t i = body + 1; i < tokens.size() && !ids.empty(); ++i) {
        const HtmlToken& token = tokens[i];
        const std::size_t offset = OffsetOf(page, token);
        if (token.kind == HtmlTokenKind::EndTag) {
            if (token.name == "a" && foreignDepth == 0) linkStart = npos;
            if ((token.name == "svg" || token.name == "math") && foreignDepth > 0 && --foreignDepth == 0)
                foreignStart = npos;
            continue;
        }
        if (token.kind != HtmlTokenKind::StartTag) continue;
        const bool opensForeign = (token.name == "svg" || token.name == "math") && !token.selfClosing;
        if (opensForeign && foreignDepth++ == 0) foreignStart = offset;

        // Most tags have no id: only those that may are parsed.
        if (token.raw.find("id") != std::string_view::npos) {
            const std::vector<HtmlAttribute> attributes = ParseAttributes(token);
            const HtmlAttribute* id = FindAttribute(attributes, "id");
            const auto linked = id ? ids.find(id->value) : ids.end();
            if (linked != ids.end() && linked->second == npos) {
                std::size_t at = offset;
                if (const std::size_t end = EmptyLinkEnd(tokens, i))
                    at = FirstLineOffset(page, tokens, end + 1, offset);
                else if (!MarkedBefore(token.name))
                    at = FirstLineOffset(page, tokens, i + 1, offset + token.raw.size());
                if (token.name != "a" && linkStart != npos) at = std::min(at, linkStart);
                if (foreignStart != npos) at = std::min(at, foreignStart);
                linked->second = marked.targets.size();
                marked.targets.push_back(linked->first);
                insertions.push_back({at, linked->second});
            }
        }
        if (token.name == "a" && foreignDepth == 0) {
            const bool isLink = token.raw.find("href") != std::string_view::npos &&
                                FindAttribute(ParseAttributes(token), "href") != nullptr;
            linkStart = isLink ? offset : npos;
        }
    }

    std::stable_sort(insertions.begin(), insertions.end(),
                     [](const Insertion& a, const Insertion& b) { return a.offset < b.offset; });
    marked.page.reserve(page.size() + insertions.size() * (kMarkerAddress.size() + 24));
    std::size_t copied = 0;
    for (const Insertion& insertion : insertions) {
        marked.page.append(page.substr(copied, insertion.offset - copied));
        marked.page += "<a href=\"";
        marked.page += kMarkerAddress;
        marked.page += std::to_string(insertion.target);
        marked.page += "\"></a>";
        copied = insertion.offset;
    }
    marked.page.append(page.substr(copied));
    return marked;
}
