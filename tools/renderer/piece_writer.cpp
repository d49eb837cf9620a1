#include "piece_writer.h"

#include <algorithm>

namespace {

constexpr std::string_view kContinuedBefore =
    "page-break-before:auto !important;margin-top:0 !important;padding-top:0 !important;"
    "border-top-width:0 !important";
constexpr std::string_view kContinuedAfter =
    "page-break-after:auto !important;margin-bottom:0 !important;padding-bottom:0 !important;"
    "border-bottom-width:0 !important";

bool IsInline(std::string_view name)
{
    return IsOneOf(name, {"span", "font", "b", "i", "em", "strong", "small", "big", "u", "s", "strike", "tt", "code",
                          "sub", "sup", "a", "abbr", "cite", "dfn", "kbd", "samp", "var", "mark", "bdi", "bdo", "ins",
                          "del", "time", "nobr"});
}

// The bytes of [begin, end) with the edits that fall inside applied.
void AppendEdited(std::string& out, std::string_view page, std::size_t begin, std::size_t end,
                  const std::vector<TextEdit>& edits)
{
    auto edit = std::lower_bound(edits.begin(), edits.end(), begin,
                                 [](const TextEdit& e, std::size_t at) { return e.begin < at; });
    std::size_t at = begin;
    for (; edit != edits.end() && edit->end <= end; ++edit) {
        out.append(page.substr(at, edit->begin - at));
        out += edit->text;
        at = edit->end;
    }
    out.append(page.substr(at, end - at));
}

// An open element's start tag as it stands in the piece, changed for the
// sides on which it continues in another piece.
std::string ContinuedTag(std::string_view page, const OpenElement& element, const std::vector<TextEdit>& edits,
                         bool continuedBefore, bool continuedAfter)
{
    std::string raw;
    AppendEdited(raw, page, element.tagBegin, element.tagEnd, edits);
    const HtmlToken token{HtmlTokenKind::StartTag, raw, element.name, false};
    std::vector<HtmlAttribute> attributes = ParseAttributes(token);
    if (continuedBefore)
        std::erase_if(attributes, [](const HtmlAttribute& a) { return a.name == "id" || a.name == "name"; });
    if (!IsInline(element.name)) {
        std::string style;
        for (const HtmlAttribute& a : attributes)
            if (a.name == "style") style = a.value;
        std::erase_if(attributes, [](const HtmlAttribute& a) { return a.name == "style"; });
        for (const std::string_view declarations : {continuedBefore ? kContinuedBefore : std::string_view(),
                                                    continuedAfter ? kContinuedAfter : std::string_view()}) {
            if (declarations.empty()) continue;
            const std::size_t last = style.find_last_not_of(" \t\r\n");
            if (last != std::string::npos && style[last] != ';') style += ';';
            style += declarations;
        }
        attributes.push_back({"style", style, true});
    }
    return FormatStartTag(element.name, attributes);
}

bool Contains(const std::vector<OpenElement>& elements, const OpenElement& element)
{
    return std::any_of(elements.begin(), elements.end(),
                       [&](const OpenElement& e) { return e.tagBegin == element.tagBegin; });
}

}  // namespace

std::string ComposePiece(std::string_view page, const PagePlan& plan, std::size_t index,
                         const std::vector<TextEdit>& edits)
{
    const PagePiece& piece = plan.pieces[index];
    std::string out;
    out.reserve(plan.prologue.Size() + piece.content.Size() + 256);
    AppendEdited(out, page, plan.prologue.begin, plan.prologue.end, edits);
    for (const OpenElement& element : piece.reopened)
        out += ContinuedTag(page, element, edits, true, Contains(piece.closed, element));

    // Start tags within the content of elements that go on in the next piece.
    std::vector<TextEdit> local;
    for (const TextEdit& edit : edits)
        if (edit.begin >= piece.content.begin && edit.end <= piece.content.end) local.push_back(edit);
    for (const OpenElement& element : piece.closed) {
        if (element.tagBegin < piece.content.begin || Contains(piece.reopened, element)) continue;
        std::string tag = ContinuedTag(page, element, edits, false, true);
        const auto same = std::find_if(local.begin(), local.end(),
                                       [&](const TextEdit& e) { return e.begin == element.tagBegin; });
        if (same != local.end())
            same->text = std::move(tag);
        else
            local.push_back({element.tagBegin, element.tagEnd, std::move(tag)});
    }
    std::sort(local.begin(), local.end(), [](const TextEdit& a, const TextEdit& b) { return a.begin < b.begin; });
    AppendEdited(out, page, piece.content.begin, piece.content.end, local);

    for (auto element = piece.closed.rbegin(); element != piece.closed.rend(); ++element)
        out += "</" + element->name + ">";
    if (index + 1 < plan.pieces.size()) out += "\n</body>\n</html>\n";
    return out;
}
