#include "page_splitter.h"

#include "stop_signal.h"

#include <algorithm>

namespace {

// A page break where the page may be cut.
struct CutPoint {
    ByteRange marker;                 // the break's <div>, </div> and line feed
    std::size_t breaksBefore = 0;     // page breaks in the body before this one
    std::vector<OpenElement> open;    // what is open around the break
};

// Past this many open elements the page is no longer followed for places to
// cut: books nest a few dozen deep at most, and every tag would otherwise
// look through all that is open. The rest of the page stays in the last
// piece, which renders it exactly as before.
constexpr std::size_t kMaxFollowedDepth = 256;

// How many tokens are read between two looks for a stop.
constexpr std::size_t kTokensPerStopCheck = 4096;

// Elements whose content is the raw text that follows their start tag.
bool HoldsRawText(std::string_view name)
{
    return IsOneOf(name, {"title", "style", "script", "noscript", "template"});
}

// Finds the end of the <body> start tag, which ends the part copied into
// every piece. 0 when the page has no such tag or shows something before it
// (that would then be shown once per piece).
std::size_t FindPrologueEnd(std::string_view page, const std::vector<HtmlToken>& tokens, std::size_t& bodyToken)
{
    bool rawText = false;
    for (std::size_t i = 0; i < tokens.size(); ++i) {
        const HtmlToken& token = tokens[i];
        const bool wasRawText = rawText;
        rawText = false;
        switch (token.kind) {
        case HtmlTokenKind::Other:
            continue;
        case HtmlTokenKind::Text:
            if (wasRawText || IsBlankText(token)) continue;
            return 0;
        case HtmlTokenKind::EndTag:
            if (token.name == "head" || HoldsRawText(token.name)) continue;
            return 0;
        case HtmlTokenKind::StartTag:
            if (token.name == "body") {
                bodyToken = i;
                return OffsetOf(page, token) + token.raw.size();
            }
            if (IsOneOf(token.name, {"html", "head", "meta", "link", "base"})) continue;
            if (HoldsRawText(token.name)) {
                rawText = true;
                continue;
            }
            return 0;
        }
    }
    return 0;
}

bool IsPageBreak(const std::vector<HtmlToken>& tokens, std::size_t i)
{
    return tokens[i].kind == HtmlTokenKind::StartTag && tokens[i].raw == kPageBreakTag && i + 1 < tokens.size() &&
           tokens[i + 1].kind == HtmlTokenKind::EndTag && tokens[i + 1].raw == "</div>";
}

// Chooses where to cut among `points` for `count` pieces: at each of the
// count - 1 places that divide the weight evenly, the nearest break, so
// that pieces are as even as the breaks allow; never two cuts at one break.
std::vector<std::size_t> ChooseCuts(const std::vector<CutPoint>& points, std::size_t bodyBegin, std::size_t total,
                                    std::size_t breakWeight, std::size_t count)
{
    const auto weightOf = [&](const CutPoint& point) {
        return point.marker.begin - bodyBegin + point.breaksBefore * breakWeight;
    };
    std::vector<std::size_t> cuts;
    std::size_t next = 0;  // the first point after the last cut
    for (std::size_t k = 1; k < count && next < points.size(); ++k) {
        const std::size_t ideal = total / count * k + total % count * k / count;
        std::size_t best = next;
        for (std::size_t i = next; i < points.size(); ++i) {
            const std::size_t weight = weightOf(points[i]);
            const auto distance = [&](std::size_t w) { return w > ideal ? w - ideal : ideal - w; };
            if (distance(weight) <= distance(weightOf(points[best]))) best = i;
            if (weight >= ideal) break;
        }
        if (weightOf(points[best]) > 0) cuts.push_back(best);
        next = best + 1;
    }
    return cuts;
}

}  // namespace

PagePlan PlanPieces(std::string_view page, const std::vector<HtmlToken>& tokens, const PieceSizes& sizes)
{
    PagePlan plan;
    std::size_t bodyToken = 0;
    const std::size_t bodyBegin = FindPrologueEnd(page, tokens, bodyToken);
    if (bodyBegin == 0) {
        plan.pieces.push_back({{0, page.size()}, {}, {}});
        return plan;
    }
    plan.prologue = {0, bodyBegin};

    std::vector<CutPoint> points;
    OpenElements open;
    bool followed = true;  // false once the nesting went too deep
    for (std::size_t i = bodyToken + 1; i < tokens.size(); ++i) {
        if (i % kTokensPerStopCheck == 0 && StopSignal::Requested()) return {};
        const HtmlToken& token = tokens[i];
        if (!followed) {
            if (IsPageBreak(tokens, i)) ++plan.breaks;
            continue;
        }
        if (token.kind == HtmlTokenKind::EndTag) {
            open.End(token.name);
            continue;
        }
        if (token.kind != HtmlTokenKind::StartTag) continue;
        const std::size_t offset = OffsetOf(page, token);
        const bool pageBreak = IsPageBreak(tokens, i);
        open.Start(token, offset);
        if (open.Elements().size() > kMaxFollowedDepth) {
            followed = false;
            if (pageBreak) ++plan.breaks;
            continue;
        }
        if (!pageBreak) continue;
        std::vector<OpenElement> around = open.Elements();
        around.pop_back();  // the break itself
        if (open.CanCutHere()) {
            std::size_t end = OffsetOf(page, tokens[i + 1]) + tokens[i + 1].raw.size();
            if (end < page.size() && page[end] == '\n') ++end;
            points.push_back({{offset, end}, plan.breaks, std::move(around)});
        }
        ++plan.breaks;
    }

    const std::size_t weight = page.size() - bodyBegin + plan.breaks * sizes.breakWeight;
    std::size_t count = 1;
    if (weight >= sizes.splitFrom && sizes.maxWeight > 0) {
        count = std::max(sizes.spread, (weight + sizes.maxWeight - 1) / sizes.maxWeight);
        // Every processor gets as many pieces as the others, so none waits
        // idle for one last piece at the end.
        if (sizes.spread > 1) count = (count + sizes.spread - 1) / sizes.spread * sizes.spread;
    }
    std::vector<std::size_t> cuts;
    if (count > 1) cuts = ChooseCuts(points, bodyBegin, weight, sizes.breakWeight, count);

    PagePiece piece{{bodyBegin, page.size()}, {}, {}};
    for (const std::size_t cut : cuts) {
        const CutPoint& point = points[cut];
        piece.content.end = point.marker.begin;
        piece.closed = point.open;
        plan.pieces.push_back(std::move(piece));
        piece = {{point.marker.end, page.size()}, point.open, {}};
    }
    plan.pieces.push_back(std::move(piece));
    return plan;
}
