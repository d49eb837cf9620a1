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
    // For each navPoint level of the document still open, whether it is an
    // entry of `open` (true) or one ended early to keep the nesting shallow.
    std::vector<bool> openLevels;
    bool inLabel = false, inText = false;
    std::string label;
    std::size_t navPoints = 0;
    const auto closeInnermost = [&] {
        TocEntry entry = std::move(open.back());
        open.pop_back();
        AddEntry(std::move(entry), open.empty() ? roots : open.back().children);
    };

    for (const HtmlToken& token : TokenizeHtml(ncx)) {
        const bool start = token.kind == HtmlTokenKind::StartTag;
        const bool end = token.kind == HtmlTokenKind::EndTag;
        if (start && token.name == "navpoint" && !token.selfClosing) {
            if (open.size() == kDeepestNcxLevel) {
                // Deeper than any real book nests: the innermost entry ends
                // here, and this one follows it on the same level, so that
                // the entries stay in reading order.
                closeInnermost();
                for (std::size_t level = openLevels.size(); level-- > 0;)
                    if (openLevels[level]) {
                        openLevels[level] = false;
                        break;
                    }
            }
            open.emplace_back().order = navPoints++;
            openLevels.push_back(true);
        } else if (end && token.name == "navpoint" && !openLevels.empty()) {
            if (openLevels.back()) closeInnermost();
            openLevels.pop_back();
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
    while (!open.empty()) closeInnermost();
    return roots;
}
