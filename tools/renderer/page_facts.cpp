#include "page_facts.h"

#include <cstddef>

namespace {

std::string AttributeText(const std::vector<HtmlAttribute>& attributes, std::string_view name)
{
    const HtmlAttribute* attribute = FindAttribute(attributes, name);
    return attribute ? CollapseSpaces(DecodeHtmlEntities(attribute->value)) : std::string();
}

void ReadHeadTag(const HtmlToken& tag, PageFacts& facts)
{
    const std::vector<HtmlAttribute> attributes = ParseAttributes(tag);
    if (tag.name == "html") {
        facts.language = AttributeText(attributes, "lang");
        return;
    }
    const std::string name = ToAsciiLower(AttributeText(attributes, "name"));
    std::string* field = name == "author"         ? &facts.author
                         : name == "subject"       ? &facts.subject
                         : name == kCoverMetaName ? &facts.cover
                                                   : nullptr;
    if (field && field->empty()) *field = AttributeText(attributes, "content");
}

// Reads the items of an <ol> whose start tag is just before `i`, up to and
// with its end tag (or up to the end of the nav); `i` ends after what was
// read. An item's label is the text of its <a>, whatever tags it holds.
// Nested lists are followed on a stack of their own, not by recursion, so
// that no nesting can exhaust the call stack; lists deeper than
// kMaxOutlineDepth give their items to the deepest level allowed.
void ReadList(const std::vector<HtmlToken>& tokens, std::size_t& i, std::vector<OutlineEntry>& outline)
{
    struct OpenList {
        std::vector<OutlineEntry>* entries;
        std::string label;
        bool inLabel = false;
    };
    // An entry's children are only added to while the entry is the last of
    // the innermost list, so the lists below stay where they are.
    std::vector<OpenList> lists;
    lists.push_back({&outline, {}, false});
    std::size_t depth = 1;  // lists open, those past the limit included
    while (i < tokens.size()) {
        const HtmlToken& token = tokens[i++];
        OpenList& list = lists.back();
        std::vector<OutlineEntry>& entries = *list.entries;
        const bool start = token.kind == HtmlTokenKind::StartTag;
        const bool end = token.kind == HtmlTokenKind::EndTag;
        if (token.kind == HtmlTokenKind::Text && list.inLabel) {
            list.label += token.raw;
        } else if (end && token.name == "ol") {
            if (--depth == 0) return;
            if (depth < lists.size()) lists.pop_back();
        } else if (end && token.name == "nav") {
            --i;
            return;
        } else if (start && token.name == "li") {
            entries.emplace_back();
        } else if (entries.empty()) {
            continue;  // nothing counts outside an item
        } else if (start && token.name == "a") {
            const std::vector<HtmlAttribute> attributes = ParseAttributes(token);
            const HtmlAttribute* href = FindAttribute(attributes, "href");
            if (href && href->value.starts_with('#')) entries.back().target = href->value.substr(1);
            list.label.clear();
            list.inLabel = true;
        } else if (end && token.name == "a" && list.inLabel) {
            entries.back().label = CollapseSpaces(DecodeHtmlEntities(list.label));
            list.inLabel = false;
        } else if (start && token.name == "ol") {
            if (++depth <= kMaxOutlineDepth) lists.push_back({&entries.back().children, {}, false});
        }
    }
}

// Entries without a label or a target are left out, their own entries
// taking their place.
void DropIncomplete(std::vector<OutlineEntry>& entries)
{
    std::vector<OutlineEntry> kept;
    for (OutlineEntry& entry : entries) {
        DropIncomplete(entry.children);
        if (!entry.label.empty() && !entry.target.empty()) {
            kept.push_back(std::move(entry));
        } else {
            for (OutlineEntry& child : entry.children) kept.push_back(std::move(child));
        }
    }
    entries = std::move(kept);
}

}  // namespace

PageFacts ReadPageFacts(const std::vector<HtmlToken>& tokens)
{
    PageFacts facts;
    std::size_t i = 0;
    bool inTitle = false;
    for (; i < tokens.size(); ++i) {
        const HtmlToken& token = tokens[i];
        if (token.kind == HtmlTokenKind::StartTag) {
            if (token.name == "body") break;
            if (token.name == "html" || token.name == "meta") ReadHeadTag(token, facts);
            inTitle = token.name == "title";
        } else if (token.kind == HtmlTokenKind::Text && inTitle) {
            facts.title = CollapseSpaces(DecodeHtmlEntities(token.raw));
        } else if (token.kind == HtmlTokenKind::EndTag) {
            inTitle = false;
        }
    }
    // The table of contents is the body's first element, and its list the
    // nav's first.
    for (++i; i < tokens.size() && IsBlankText(tokens[i]); ++i) {
    }
    if (i >= tokens.size() || tokens[i].kind != HtmlTokenKind::StartTag || tokens[i].name != "nav" ||
        AttributeText(ParseAttributes(tokens[i]), "id") != kContentsNavId)
        return facts;
    for (++i; i < tokens.size() && IsBlankText(tokens[i]); ++i) {
    }
    if (i < tokens.size() && tokens[i].kind == HtmlTokenKind::StartTag && tokens[i].name == "ol") {
        ++i;
        ReadList(tokens, i, facts.outline);
    }
    DropIncomplete(facts.outline);
    return facts;
}
