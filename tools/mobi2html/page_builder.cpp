#include "page_builder.h"

#include "css_fixes.h"
#include "filepos_anchors.h"
#include "html_elements.h"
#include "html_tokens.h"
#include "page_head.h"
#include "page_ids.h"
#include "page_items.h"
#include "page_outline.h"

#include <algorithm>
#include <cstdlib>
#include <functional>
#include <optional>
#include <unordered_set>

namespace {

constexpr std::size_t kNone = static_cast<std::size_t>(-1);
// The page's own rules, before the book's sheets, which may say otherwise.
// The renderer prints a 16-pixel body text at 9 points, smaller than any
// printed book: the page is zoomed by 4/3 so text and pictures come out at
// the size 96 pixels per inch means (12 points). A PDF page cannot scroll,
// and anything wider than the page makes the renderer shrink the whole book
// to fit it: preformatted lines and the long words of links and code wrap
// (as on a reader's screen; wrapping words everywhere would make the
// renderer half as fast), pictures are no wider than the page. Code is set
// at 7/8 of the text around it; without the second "monospace" the
// renderer would take 13 pixels instead, too small to read on paper.
constexpr std::string_view kBaseStyle =
    "html { zoom: 1.3333; }\n"
    "pre { white-space: pre-wrap; }\n"
    "pre, code, a { word-wrap: break-word; }\n"
    "pre, code, kbd, samp, tt { font-family: monospace, monospace; font-size: 0.875em; }\n"
    "pre code, pre kbd, pre samp, pre tt { font-size: 1em; }\n"
    "img, svg, video { max-width: 100%; }\n";

constexpr std::string_view kPageBreak = "<div style=\"page-break-before:always\"></div>\n";
constexpr std::string_view kNoBreakBefore = "page-break-before:auto !important";
constexpr std::string_view kNoBreakAfter = "page-break-after:auto !important";

bool HasVisibleText(std::string_view text)
{
    return text.find_first_not_of(" \t\n\r\f") != std::string_view::npos;
}

bool IsExternalLink(std::string_view href)
{
    const std::string lower = ToAsciiLower(TrimSpaces(href));
    return lower.starts_with("http://") || lower.starts_with("https://") || lower.starts_with("mailto:");
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

class PageAssembler {
public:
    PageAssembler(PageResources& resources, std::vector<std::string> partNames)
        : m_resources(resources), m_ids(std::move(partNames))
    {
        m_ids.Reserve(std::string(kContentsNavId));
    }

    void AddPart(std::string_view markup, std::size_t part);
    std::string Finish(const PageDocument& document);

private:
    void AddStartTag(const std::vector<HtmlToken>& tokens, std::size_t& index);
    void AddStyleSheet(std::string_view css);
    bool FixImage(std::string_view name, std::vector<HtmlAttribute>& attributes);
    std::optional<LinkTarget> FixAttributes(std::string_view name, std::vector<HtmlAttribute>& attributes);
    std::optional<LinkTarget> LinkOf(const std::vector<HtmlAttribute>& attributes) const;
    std::string ResolveImage(std::string_view reference) { return m_resources.ImageByReference(reference); }
    void PushStart(std::string name, std::vector<HtmlAttribute> attributes, bool selfClosing,
                   std::optional<LinkTarget> link = std::nullopt);
    void PushEnd(std::string name) { m_items.push_back({ItemKind::EndTag, std::move(name), {}, false, false, {}, 0}); }
    void PushBreak();
    void ResolveLinks();
    std::vector<NavEntry> OutlineOfBookHeadings();
    std::string Body() const;

    PageResources& m_resources;
    PageIds m_ids;
    std::size_t m_nPart = 0;  // the part being added
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

void PageAssembler::AddPart(std::string_view markup, std::size_t part)
{
    m_nPart = part;
    if (part > 0) m_items.push_back({ItemKind::Break, {}, {}, false, false, {}, 0});
    m_items.push_back({ItemKind::PartStart, {}, {}, false, false, {}, part});
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
            m_items.push_back({ItemKind::Markup, EscapeQuotes(token.raw), {}, false, HasVisibleText(token.raw), {}, 0});
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
        if (href && (!rel || ToAsciiLower(rel->value).find("stylesheet") != std::string::npos))
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
        PushBreak();
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
    std::optional<LinkTarget> link = FixAttributes(name, attributes);
    PushStart(name, std::move(attributes), token.selfClosing, std::move(link));
}

void PageAssembler::PushStart(std::string name, std::vector<HtmlAttribute> attributes, bool selfClosing,
                              std::optional<LinkTarget> link)
{
    const bool voidElement = IsVoidElement(name);
    const bool visible = IsVisibleWithoutText(name);
    m_items.push_back({ItemKind::StartTag, name, std::move(attributes), voidElement, visible, std::move(link), 0});
    // The books are XHTML, where <div/> is an empty element; for the HTML
    // parser of the renderer it would open an element that swallows what
    // follows.
    if (selfClosing && !voidElement) PushEnd(std::move(name));
}

// A page break of the book. Anchors right before it, with nothing shown in
// between, mark where the next page begins (KF7 links often lead to the
// break itself), so they go after it.
void PageAssembler::PushBreak()
{
    std::vector<std::size_t> anchors;  // start tags of the anchors to move, last first
    std::size_t i = m_items.size();
    while (i > 0) {
        if (m_items[i - 1].kind == ItemKind::Markup && !m_items[i - 1].visible) {
            --i;
        } else if (i >= 2 && IsEmptyAnchor(m_items[i - 2], m_items[i - 1])) {
            anchors.push_back(i - 2);
            i -= 2;
        } else {
            break;
        }
    }
    std::vector<PageItem> moved;
    for (auto start = anchors.rbegin(); start != anchors.rend(); ++start) {
        moved.push_back(std::move(m_items[*start]));
        moved.push_back(std::move(m_items[*start + 1]));
    }
    for (const std::size_t start : anchors) {  // last first, so the earlier places stay where they are
        const auto first = m_items.begin() + static_cast<std::ptrdiff_t>(start);
        m_items.erase(first, first + 2);
    }
    m_items.push_back({ItemKind::Break, {}, {}, false, false, {}, 0});
    for (PageItem& item : moved) m_items.push_back(std::move(item));
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

// Where a link of the book leads: a KF7 link by its filepos (which wins over
// any href it also has), others by their href. Nothing for links to other
// sites, which stay as they are, and for those that lead nowhere in the book.
std::optional<LinkTarget> PageAssembler::LinkOf(const std::vector<HtmlAttribute>& attributes) const
{
    if (const HtmlAttribute* filepos = FindAttribute(attributes, "filepos"))
        if (const std::optional<std::uint32_t> position = ParseFilepos(filepos->value))
            return LinkTarget{m_nPart, FileposAnchorId(*position)};
    const HtmlAttribute* href = FindAttribute(attributes, "href");
    if (!href || IsExternalLink(href->value)) return std::nullopt;
    return m_ids.TargetOf(m_nPart, href->value);
}

// Makes a start tag's attributes fit for the page: ids unique in the page,
// links into the book replaced by an href that is filled in when the page is
// written (the link's target is returned), links to other sites kept, and
// nothing left that would run a script or load a file from elsewhere.
std::optional<LinkTarget> PageAssembler::FixAttributes(std::string_view name, std::vector<HtmlAttribute>& attributes)
{
    const bool isLink = name == "a" || name == "area";
    const bool isImage = name == "img" || name == "image";
    std::optional<LinkTarget> link = isLink ? LinkOf(attributes) : std::nullopt;
    std::erase_if(attributes, [&](HtmlAttribute& attribute) {
        const std::string& attributeName = attribute.name;
        if (attributeName.starts_with("on") || attributeName == "filepos" || attributeName == "srcset" ||
            attributeName.ends_with("recindex"))
            return true;
        if (attributeName == "id") {
            if (TrimSpaces(attribute.value).empty()) return true;
            attribute.value = m_ids.Add(m_nPart, attribute.value);
            return false;
        }
        if (attributeName == "style") {
            attribute.value =
                FixInlineStyle(attribute.value, [this](std::string_view reference) { return ResolveImage(reference); });
            return false;
        }
        if (isImage && (attributeName == "src" || attributeName == "xlink:href")) return false;  // see FixImage
        if (attributeName == "href" && isLink) return link || !IsExternalLink(attribute.value);
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
    // Older books mark the targets of their links with <a name="...">.
    if (name == "a" && !FindAttribute(attributes, "id")) {
        const auto anchorName = std::find_if(attributes.begin(), attributes.end(),
                                             [](const HtmlAttribute& attribute) { return attribute.name == "name"; });
        if (anchorName != attributes.end() && !TrimSpaces(anchorName->value).empty()) {
            std::string id = m_ids.Add(m_nPart, anchorName->value);
            attributes.erase(anchorName);
            attributes.push_back({"id", std::move(id), true});
        }
    }
    if (link) attributes.insert(attributes.begin(), {"href", std::string(), true});
    return link;
}

std::string PageAssembler::Body() const
{
    const std::vector<BreakOverrides> overrides = EdgeOverrides(m_items);
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
        case ItemKind::PartStart:
            if (const std::string id = m_ids.PartStart(item.part); !id.empty()) body += "<a id=\"" + id + "\"></a>";
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

// Fills in the href of every link into the book: the id of its target, or
// none, which leaves the link's text as plain text.
void PageAssembler::ResolveLinks()
{
    for (PageItem& item : m_items) {
        if (!item.link) continue;
        if (const std::optional<std::string> id = m_ids.Resolve(*item.link))
            item.attributes.front().value = "#" + *id;
        else
            item.attributes.erase(item.attributes.begin());
        item.link.reset();
    }
}

// An outline of the book's h1 to h3 headings; headings without an id get one.
std::vector<NavEntry> PageAssembler::OutlineOfBookHeadings()
{
    std::vector<Heading> headings;
    for (std::size_t i = 0; i < m_items.size(); ++i) {
        PageItem& item = m_items[i];
        if (item.kind != ItemKind::StartTag || !IsOneOf(item.text, {"h1", "h2", "h3"})) continue;
        std::string label = HeadingLabel(m_items, i);
        if (label.empty()) continue;
        const HtmlAttribute* id = FindAttribute(item.attributes, "id");
        std::string pageId = id ? id->value : m_ids.Make("heading-" + std::to_string(headings.size() + 1));
        if (!id) item.attributes.insert(item.attributes.begin(), {"id", pageId, true});
        headings.push_back({item.text[1] - '0', std::move(pageId), std::move(label)});
    }
    return OutlineOfHeadings(headings);
}

std::string PageAssembler::Finish(const PageDocument& document)
{
    std::vector<NavEntry> contents = ResolveToc(document.toc, m_ids);
    ResolveLinks();
    if (contents.empty()) contents = OutlineOfBookHeadings();
    // A cover the text starts with anyway is not set as a page of its own.
    std::string cover = m_resources.CoverImage();
    if (!cover.empty() && StartsWithPicture(m_items, cover)) cover.clear();

    std::string page = "<!DOCTYPE html>\n" + HtmlStartTag(document.info.language) + "\n<head>\n<meta charset=\"utf-8\">\n";
    page += DocumentInfoTags(document.info, cover);
    page += "<style>\n" + std::string(kBaseStyle) + m_strStyles + "</style>\n";
    page += "</head>\n<body>\n";
    page += FormatNav(contents) + "\n";
    page += Body();
    page += "\n</body>\n</html>\n";
    return page;
}

}  // namespace

std::string BuildPage(const PageDocument& document, PageResources& resources)
{
    std::vector<std::string> names;
    for (const PagePart& part : document.parts) names.push_back(part.name);
    PageAssembler assembler(resources, std::move(names));
    for (std::size_t i = 0; i < document.parts.size(); ++i) assembler.AddPart(document.parts[i].markup, i);
    return assembler.Finish(document);
}
