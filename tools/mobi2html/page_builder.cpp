#include "page_builder.h"

#include "css_fixes.h"
#include "html_tokens.h"

#include <algorithm>
#include <cstdlib>
#include <functional>
#include <unordered_set>

namespace {

constexpr std::size_t kNone = static_cast<std::size_t>(-1);
constexpr std::string_view kPageBreak = "<div style=\"page-break-before:always\"></div>\n";
constexpr std::string_view kNoBreakBefore = "page-break-before:auto !important";
constexpr std::string_view kNoBreakAfter = "page-break-after:auto !important";

bool IsOneOf(std::string_view name, std::initializer_list<std::string_view> names)
{
    return std::find(names.begin(), names.end(), name) != names.end();
}

bool IsVoidElement(std::string_view name)
{
    return IsOneOf(name, {"area", "base", "br", "col", "embed", "hr", "img", "input", "link", "meta", "param",
                          "source", "track", "wbr", "basefont", "bgsound", "frame", "keygen"});
}

// Left out together with everything inside them: what a PDF cannot hold
// (scripts, sound, film, plug-ins, frames) and what is not shown (title).
bool IsDroppedWithContent(std::string_view name)
{
    return IsOneOf(name, {"script", "title", "audio", "video", "object", "applet", "iframe", "frameset", "noembed",
                          "noframes", "template"});
}

// Left out on their own; whatever they enclose stays.
bool IsDroppedTag(std::string_view name)
{
    return IsOneOf(name, {"html", "head", "meta", "base", "embed", "source", "track", "param", "bgsound", "frame",
                          "guide", "reference"}) ||
           name.starts_with("mbp:") || name.starts_with("idx:");
}

// Elements that show something even when they hold no text.
bool IsVisibleWithoutText(std::string_view name)
{
    return IsOneOf(name, {"img", "image", "svg", "hr", "math", "input", "textarea", "select", "button"});
}

bool IsInlineElement(std::string_view name)
{
    return IsOneOf(name, {"a", "abbr", "b", "bdi", "bdo", "big", "br", "cite", "code", "dfn", "em", "font", "i", "kbd",
                          "mark", "q", "s", "samp", "small", "span", "strike", "strong", "sub", "sup", "tt", "u", "var",
                          "wbr"});
}

bool HasVisibleText(std::string_view text)
{
    return text.find_first_not_of(" \t\n\r\f") != std::string_view::npos;
}

std::string_view TrimSpaces(std::string_view text)
{
    const std::size_t first = text.find_first_not_of(" \t\n\r\f");
    if (first == std::string_view::npos) return {};
    return text.substr(first, text.find_last_not_of(" \t\n\r\f") - first + 1);
}

bool IsExternalLink(std::string_view href)
{
    const std::string lower = ToLowerAscii(TrimSpaces(href));
    return lower.starts_with("http://") || lower.starts_with("https://") || lower.starts_with("mailto:");
}

std::string EscapeText(std::string_view text)
{
    std::string escaped;
    for (const char c : text) {
        if (c == '&')
            escaped += "&amp;";
        else if (c == '<')
            escaped += "&lt;";
        else if (c == '>')
            escaped += "&gt;";
        else
            escaped += c;
    }
    return escaped;
}

void AppendDeclaration(std::vector<HtmlAttribute>& attributes, std::string_view declaration)
{
    for (HtmlAttribute& attribute : attributes) {
        if (attribute.name != "style") continue;
        std::string value(TrimSpaces(attribute.value));
        if (!value.empty() && value.back() != ';') value += ';';
        value += declaration;
        attribute.value = std::move(value);
        attribute.hasValue = true;
        return;
    }
    attributes.push_back({"style", std::string(declaration), true});
}

// Elements an HTML parser closes on its own when the given start tag comes
// (a new paragraph ends an open one), so that unclosed <p> and <li> of older
// books do not look like they enclose the rest of the book.
void CloseImpliedElements(std::vector<std::size_t>& open, std::string_view name,
                          const std::function<std::string_view(std::size_t)>& nameOf)
{
    const auto closeTopWhile = [&](std::initializer_list<std::string_view> names) {
        while (!open.empty() && IsOneOf(nameOf(open.back()), names)) open.pop_back();
    };
    if (IsOneOf(name, {"p", "div", "h1", "h2", "h3", "h4", "h5", "h6", "ul", "ol", "dl", "table", "pre", "blockquote",
                       "address", "center", "form", "hr", "section", "article", "aside", "header", "footer", "nav",
                       "figure", "fieldset", "menu", "dir", "li", "dt", "dd"}))
        closeTopWhile({"p"});
    if (name == "li") closeTopWhile({"li"});
    if (name == "dt" || name == "dd") closeTopWhile({"dt", "dd"});
    if (name == "tr") closeTopWhile({"td", "th", "tr"});
    if (name == "td" || name == "th") closeTopWhile({"td", "th"});
}

enum class ItemKind { Markup, StartTag, EndTag, Break };

// One piece of the page body. Start tags keep their attributes until the
// page is written, since where the first and last visible content lie is
// only known then.
struct PageItem {
    ItemKind kind = ItemKind::Markup;
    std::string text;  // Markup: HTML as written; tags: the element name
    std::vector<HtmlAttribute> attributes;
    bool voidElement = false;
    bool visible = false;
};

class PageAssembler {
public:
    explicit PageAssembler(PageResources& resources) : m_resources(resources) {}

    void AddPart(std::string_view markup, bool firstPart);
    std::string Finish(std::string_view title) const;

private:
    void AddStartTag(const std::vector<HtmlToken>& tokens, std::size_t& index);
    void AddStyleSheet(std::string_view css);
    bool FixImage(std::string_view name, std::vector<HtmlAttribute>& attributes);
    void FixAttributes(std::string_view name, std::vector<HtmlAttribute>& attributes);
    std::string ResolveImage(std::string_view reference) { return m_resources.ImageByReference(reference); }
    void PushStart(std::string name, std::vector<HtmlAttribute> attributes, bool selfClosing);
    void PushEnd(std::string name) { m_items.push_back({ItemKind::EndTag, std::move(name), {}, false, false}); }
    struct BreakOverrides {
        bool noBreakBefore = false;
        bool noBreakAfter = false;
    };
    std::vector<BreakOverrides> EdgeOverrides() const;
    std::string Body() const;

    PageResources& m_resources;
    std::vector<PageItem> m_items;
    std::string m_strStyles;
    std::unordered_set<std::string> m_seenStyles;
    bool m_bWrapperOpen = false;  // a part's <body>, written as <div>
};

// Index of the end tag that closes the element whose start tag is at
// `start`, or kNone when it is never closed.
std::size_t FindEndTag(const std::vector<HtmlToken>& tokens, std::size_t start)
{
    const std::string& name = tokens[start].name;
    int depth = 0;
    for (std::size_t i = start; i < tokens.size(); ++i) {
        const HtmlToken& token = tokens[i];
        if (token.name != name) continue;
        if (token.kind == HtmlTokenKind::StartTag && !token.selfClosing) ++depth;
        if (token.kind == HtmlTokenKind::EndTag && --depth == 0) return i;
    }
    return kNone;
}

// The span of a part's head, [first, last]; kNone when the part has none
// that ends. Kindle readers show nothing of the head, while a browser would
// show text that stands there (KF7 books keep their metadata in it).
std::pair<std::size_t, std::size_t> FindHead(const std::vector<HtmlToken>& tokens)
{
    std::size_t first = kNone;
    for (std::size_t i = 0; i < tokens.size(); ++i) {
        const HtmlToken& token = tokens[i];
        if (first == kNone) {
            if (token.kind == HtmlTokenKind::StartTag && token.name == "head") first = i;
            if (token.kind == HtmlTokenKind::StartTag && token.name == "body") break;
            continue;
        }
        if ((token.kind == HtmlTokenKind::EndTag && token.name == "head") ||
            (token.kind == HtmlTokenKind::StartTag && token.name == "body"))
            return {first, token.name == "body" ? i - 1 : i};
    }
    return {kNone, kNone};
}

void PageAssembler::AddPart(std::string_view markup, bool firstPart)
{
    if (!firstPart) m_items.push_back({ItemKind::Break, {}, {}, false, false});
    const std::vector<HtmlToken> tokens = TokenizeHtml(markup);
    const auto [headFirst, headLast] = FindHead(tokens);

    for (std::size_t i = 0; i < tokens.size(); ++i) {
        const HtmlToken& token = tokens[i];
        const bool inHead = headFirst != kNone && i >= headFirst && i <= headLast;
        if (inHead) {
            // Only the head's style sheets are taken.
            if (token.kind == HtmlTokenKind::StartTag && (token.name == "style" || token.name == "link"))
                AddStartTag(tokens, i);
            continue;
        }
        switch (token.kind) {
        case HtmlTokenKind::Other:
            break;
        case HtmlTokenKind::Text:
            m_items.push_back({ItemKind::Markup, std::string(token.raw), {}, false, HasVisibleText(token.raw)});
            break;
        case HtmlTokenKind::StartTag:
            AddStartTag(tokens, i);
            break;
        case HtmlTokenKind::EndTag:
            if (token.name == "body") {
                if (m_bWrapperOpen) PushEnd("div");
                m_bWrapperOpen = false;
            } else if (!IsDroppedTag(token.name) && !IsDroppedWithContent(token.name) && !IsVoidElement(token.name) &&
                       token.name != "style" && token.name != "link") {
                PushEnd(token.name);
            }
            break;
        }
    }
    if (m_bWrapperOpen) PushEnd("div");
    m_bWrapperOpen = false;
}

void PageAssembler::AddStartTag(const std::vector<HtmlToken>& tokens, std::size_t& index)
{
    const HtmlToken& token = tokens[index];
    const std::string& name = token.name;

    if (name == "style") {
        if (token.selfClosing) return;
        const std::size_t end = FindEndTag(tokens, index);
        if (end == kNone) return;
        for (std::size_t i = index + 1; i < end; ++i) AddStyleSheet(tokens[i].raw);
        index = end;
        return;
    }
    if (name == "link") {
        const std::vector<HtmlAttribute> attributes = ParseAttributes(token);
        const HtmlAttribute* rel = FindAttribute(attributes, "rel");
        const HtmlAttribute* href = FindAttribute(attributes, "href");
        if (href && (!rel || ToLowerAscii(rel->value).find("stylesheet") != std::string::npos))
            if (const std::optional<std::string> sheet = m_resources.StyleSheet(href->value)) AddStyleSheet(*sheet);
        return;
    }
    if (IsDroppedWithContent(name)) {
        // An element that is never closed loses only its tag, not the rest
        // of the book.
        const std::size_t end = token.selfClosing ? kNone : FindEndTag(tokens, index);
        if (end != kNone) index = end;
        return;
    }
    if (name == "mbp:pagebreak") {
        m_items.push_back({ItemKind::Break, {}, {}, false, false});
        return;
    }
    if (IsDroppedTag(name)) return;

    std::vector<HtmlAttribute> attributes = ParseAttributes(token);
    if (name == "body") {
        if (m_bWrapperOpen) PushEnd("div");
        FixAttributes("div", attributes);
        PushStart("div", std::move(attributes), false);
        m_bWrapperOpen = true;
        return;
    }
    if ((name == "img" || name == "image") && !FixImage(name, attributes)) return;
    FixAttributes(name, attributes);
    PushStart(name, std::move(attributes), token.selfClosing);
}

void PageAssembler::PushStart(std::string name, std::vector<HtmlAttribute> attributes, bool selfClosing)
{
    const bool voidElement = IsVoidElement(name);
    const bool visible = IsVisibleWithoutText(name);
    m_items.push_back({ItemKind::StartTag, name, std::move(attributes), voidElement, visible});
    // The books are XHTML, where <div/> is an empty element; for the HTML
    // parser of the renderer it would open an element that swallows what
    // follows.
    if (selfClosing && !voidElement) PushEnd(std::move(name));
}

void PageAssembler::AddStyleSheet(std::string_view css)
{
    std::string sheet = FixStyleSheet(css, [this](std::string_view reference) { return ResolveImage(reference); });
    if (!HasVisibleText(sheet) || !m_seenStyles.insert(sheet).second) return;
    m_strStyles += sheet;
    m_strStyles += '\n';
}

// Points an <img> (or SVG <image>) at its file; false when it has none, so
// that the element is left out rather than shown broken.
bool PageAssembler::FixImage(std::string_view name, std::vector<HtmlAttribute>& attributes)
{
    std::string path;
    for (const std::string_view indexName : {"recindex", "hirecindex", "lorecindex"}) {
        if (const HtmlAttribute* index = FindAttribute(attributes, indexName)) {
            const std::string_view digits = TrimSpaces(index->value);
            char* end = nullptr;
            const std::string text(digits);
            const unsigned long number = std::strtoul(text.c_str(), &end, 10);
            if (!text.empty() && end && *end == '\0') path = m_resources.ImageByIndex(number);
            if (!path.empty()) break;
        }
    }
    const std::string_view sourceName = name == "img" ? "src" : "xlink:href";
    if (path.empty()) {
        const HtmlAttribute* source = FindAttribute(attributes, sourceName);
        if (!source && name == "image") source = FindAttribute(attributes, "href");
        if (source) path = ResolveImage(source->value);
    }
    if (path.empty()) return false;

    std::erase_if(attributes, [&](const HtmlAttribute& attribute) {
        return attribute.name == sourceName || attribute.name == "href" || attribute.name == "srcset" ||
               attribute.name.ends_with("recindex");
    });
    attributes.insert(attributes.begin(), {std::string(sourceName), path, true});
    return true;
}

void PageAssembler::FixAttributes(std::string_view name, std::vector<HtmlAttribute>& attributes)
{
    const bool isLink = name == "a" || name == "area";
    const bool isImage = name == "img" || name == "image";
    std::erase_if(attributes, [&](HtmlAttribute& attribute) {
        const std::string& attributeName = attribute.name;
        if (attributeName.starts_with("on") || attributeName == "filepos" || attributeName == "srcset" ||
            attributeName.ends_with("recindex"))
            return true;
        if (attributeName == "style") {
            attribute.value =
                FixInlineStyle(attribute.value, [this](std::string_view reference) { return ResolveImage(reference); });
            return false;
        }
        if (isImage && (attributeName == "src" || attributeName == "xlink:href")) return false;  // see FixImage
        if (attributeName == "href" && isLink) return !IsExternalLink(attribute.value);
        if (attributeName == "href" || attributeName == "xlink:href") {
            // In SVG these name parts of the same document (gradients, <use>).
            if (TrimSpaces(attribute.value).starts_with('#')) return false;
        }
        if (IsOneOf(attributeName, {"src", "href", "xlink:href", "background", "poster", "data", "lowsrc", "dynsrc",
                                    "longdesc", "action", "formaction", "cite", "codebase", "archive"})) {
            attribute.value = ResolveImage(attribute.value);
            return attribute.value.empty();
        }
        return false;
    });
}

// Which start tags must not break the page before or after them. The pieces
// of the book between two page breaks (its files, and the stretches between
// <mbp:pagebreak/>) are each set on pages of their own by the breaks we
// write; a break that the book's CSS asks for before a piece's first visible
// content or after its last would add an empty page (at the very start, at
// the very end, or where it meets one of ours).
std::vector<PageAssembler::BreakOverrides> PageAssembler::EdgeOverrides() const
{
    std::vector<BreakOverrides> overrides(m_items.size());
    std::vector<std::size_t> open;  // start tags of the elements open at this point
    const auto nameOf = [this](std::size_t i) { return std::string_view(m_items[i].text); };
    const auto contains = [](const std::vector<std::size_t>& list, std::size_t i) {
        return std::find(list.begin(), list.end(), i) != list.end();
    };

    std::size_t sectionStart = 0;
    std::size_t first = kNone, last = kNone;
    std::vector<std::size_t> openAtFirst, openAtLast;
    const auto closeSection = [&](std::size_t sectionEnd) {
        for (std::size_t j = sectionStart; j < sectionEnd; ++j) {
            if (m_items[j].kind != ItemKind::StartTag) continue;
            if (first == kNone || j <= first || j > last) overrides[j].noBreakBefore = true;
            if (first == kNone || j > last || (j < first && !contains(openAtFirst, j))) overrides[j].noBreakAfter = true;
        }
        for (const std::size_t j : openAtLast) overrides[j].noBreakAfter = true;
        if (last != kNone && m_items[last].kind == ItemKind::StartTag) overrides[last].noBreakAfter = true;
        sectionStart = sectionEnd + 1;
        first = last = kNone;
        openAtFirst.clear();
        openAtLast.clear();
    };

    for (std::size_t i = 0; i < m_items.size(); ++i) {
        const PageItem& item = m_items[i];
        if (item.kind == ItemKind::Break) {
            closeSection(i);
            continue;
        }
        if (item.kind == ItemKind::StartTag) CloseImpliedElements(open, item.text, nameOf);
        if (item.kind == ItemKind::StartTag && !item.voidElement) open.push_back(i);
        if (item.kind == ItemKind::EndTag) {
            const auto match = std::find_if(open.rbegin(), open.rend(),
                                            [&](std::size_t start) { return m_items[start].text == item.text; });
            if (match != open.rend()) open.erase(std::next(match).base(), open.end());
        }
        if (!item.visible) continue;
        if (first == kNone) {
            first = i;
            openAtFirst = open;
        }
        last = i;
        openAtLast = open;
    }
    closeSection(m_items.size());
    return overrides;
}

std::string PageAssembler::Body() const
{
    const std::vector<BreakOverrides> overrides = EdgeOverrides();
    const auto lastVisible =
        std::find_if(m_items.rbegin(), m_items.rend(), [](const PageItem& item) { return item.visible; });
    const std::size_t last = lastVisible == m_items.rend() ? kNone : static_cast<std::size_t>(m_items.rend() - lastVisible) - 1;

    std::string body;
    bool breakSinceVisible = true;  // no break before anything has been shown
    for (std::size_t i = 0; i < m_items.size(); ++i) {
        const PageItem& item = m_items[i];
        switch (item.kind) {
        case ItemKind::Break:
            // One break however many come in a row, and none after the end.
            if (!breakSinceVisible && last != kNone && i < last) body += kPageBreak;
            breakSinceVisible = true;
            break;
        case ItemKind::Markup:
            body += item.text;
            break;
        case ItemKind::EndTag:
            body += "</" + item.text + ">";
            break;
        case ItemKind::StartTag:
            // Inline elements cannot break a page, so they are left as they are.
            if (IsInlineElement(item.text) || (!overrides[i].noBreakBefore && !overrides[i].noBreakAfter)) {
                body += FormatStartTag(item.text, item.attributes);
            } else {
                std::vector<HtmlAttribute> attributes = item.attributes;
                if (overrides[i].noBreakBefore) AppendDeclaration(attributes, kNoBreakBefore);
                if (overrides[i].noBreakAfter) AppendDeclaration(attributes, kNoBreakAfter);
                body += FormatStartTag(item.text, attributes);
            }
            break;
        }
        if (item.visible) breakSinceVisible = false;
    }
    return body;
}

std::string PageAssembler::Finish(std::string_view title) const
{
    std::string page = "<!DOCTYPE html>\n<html>\n<head>\n<meta charset=\"utf-8\">\n";
    page += "<title>" + EscapeText(title) + "</title>\n";
    // A PDF page cannot scroll: long preformatted lines wrap (as on a
    // reader's screen) instead of running off the page or shrinking the
    // whole book to fit. The book's own sheets come after and may say
    // otherwise. The renderer prints a 16-pixel body text at about 9 points,
    // smaller than any printed book: the page is zoomed by 4/3 so text and
    // pictures come out at the size 96 pixels per inch means (12 points).
    page += "<style>\nhtml { zoom: 1.3333; }\npre { white-space: pre-wrap; word-wrap: break-word; }\n" +
            m_strStyles + "</style>\n";
    page += "</head>\n<body>\n";
    page += Body();
    page += "\n</body>\n</html>\n";
    return page;
}

}  // namespace

std::string BuildPage(std::string_view title, const std::vector<std::string>& parts, PageResources& resources)
{
    PageAssembler assembler(resources);
    for (std::size_t i = 0; i < parts.size(); ++i) assembler.AddPart(parts[i], i == 0);
    return assembler.Finish(title);
}
