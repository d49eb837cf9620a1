#include "ncx_reader.h"

#include "html_tokens.h"
#include "text_encoding.h"

namespace {

void AddEntry(TocEntry entry, std::vector<TocEntry>& siblings)
{
    if (!entry.label.empty()) {
        siblings.push_back(std::move(entry));
        return;
    }
    for (TocEntry& child : entry.children) siblings.push_back(std::move(child));
}

}  // namespace

std::vector<TocEntry> ReadNcx(std::string_view ncx)
{
    std::vector<TocEntry> roots;
    std::vector<TocEntry> open;  // the navPoints not yet closed, outermost first
    bool inLabel = false, inText = false;
    std::string label;
    std::size_t navPoints = 0;

    for (const HtmlToken& token : TokenizeHtml(ncx)) {
        const bool start = token.kind == HtmlTokenKind::StartTag;
        const bool end = token.kind == HtmlTokenKind::EndTag;
        if (start && token.name == "navpoint" && !token.selfClosing) {
            open.emplace_back().order = navPoints++;
        } else if (end && token.name == "navpoint" && !open.empty()) {
            TocEntry entry = std::move(open.back());
            open.pop_back();
            AddEntry(std::move(entry), open.empty() ? roots : open.back().children);
        } else if (open.empty()) {
            continue;
        } else if (token.name == "navlabel") {
            inLabel = start && !token.selfClosing;
        } else if (token.name == "text" && inLabel) {
            inText = start && !token.selfClosing;
            if (start) label.clear();
            if (end && open.back().label.empty()) open.back().label = CollapseSpaces(SanitizeUtf8(DecodeBasicEntities(label)));
        } else if (token.kind == HtmlTokenKind::Text && inText) {
            label += token.raw;
        } else if (start && token.name == "content") {
            const std::vector<HtmlAttribute> attributes = ParseAttributes(token);
            if (const HtmlAttribute* source = FindAttribute(attributes, "src"))
                open.back().target = DecodeBasicEntities(source->value);
        }
    }
    while (!open.empty()) {
        TocEntry entry = std::move(open.back());
        open.pop_back();
        AddEntry(std::move(entry), open.empty() ? roots : open.back().children);
    }
    return roots;
}
