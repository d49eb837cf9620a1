#include "book_layout.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <string_view>

namespace {

constexpr double kA4ShortSideMm = 210;
// Margins: 7.5% of the short side (15.75 mm on A4, 7.9 mm on A6), which the
// body's own 8-pixel margin adds to, at least 6 mm, at most 25 mm.
constexpr double kMarginShare = 0.075;
constexpr double kLeastMarginMm = 6;
constexpr double kMostMarginMm = 25;
constexpr double kBottomToTop = 1.2;
// Type: 12 points on A4, scaled with the square root of the short side, so
// a page half as wide keeps some 40 characters a line (about 8.5 points
// on A6, raised to 9), and a large page gets no poster type.
constexpr double kTrueSizeZoom = 4.0 / 3.0;
constexpr double kLeastTypeScale = 0.75;
constexpr double kMostTypeScale = 1.25;

// A heading is never the last thing on a page: the renderer ignores
// page-break-after, but keeps a block whole that page-break-inside forbids
// to break, so each heading carries below it an empty block as tall as two
// lines of text, which a negative margin takes back so that nothing moves.
// A heading that fits on the page without those lines goes to the next.
constexpr std::string_view kHeadingsKept =
    "h1, h2, h3, h4, h5, h6 { page-break-inside: avoid !important; }\n"
    "h1::after, h2::after, h3::after, h4::after, h5::after, h6::after"
    " { content: \"\"; display: block; height: 2.5rem; margin-bottom: -2.5rem; }\n";
// Long words of code and links may wrap (wrapping words everywhere would
// make the renderer half as fast, so only where they are likely).
constexpr std::string_view kOrdinaryFit = "a, code, kbd, pre, samp, tt, var { word-wrap: break-word; }\n";
constexpr std::string_view kWrappedFit =
    "* { word-wrap: break-word !important; }\n"
    "pre, pre * { white-space: pre-wrap !important; }\n"
    "table { table-layout: fixed !important; width: 100% !important; }\n";
constexpr std::string_view kNarrowedFit =
    "body * { max-width: 100% !important; min-width: 0 !important; box-sizing: border-box !important;"
    " position: static !important; }\n"
    "body *:not(pre) { white-space: normal !important; }\n"
    "body pre, body pre * { white-space: pre-wrap !important; }\n";

}  // namespace

std::string FitRules(FitLevel level)
{
    std::string rules(kHeadingsKept);
    rules += kOrdinaryFit;
    if (level >= FitLevel::Wrapped) rules += kWrappedFit;
    if (level >= FitLevel::Narrowed) rules += kNarrowedFit;
    return rules;
}

BookLayout LayoutFor(PageSize page)
{
    const double shortSide = std::min(page.widthMm, page.heightMm);
    BookLayout layout;
    layout.sideMarginMm = std::clamp(shortSide * kMarginShare, kLeastMarginMm, kMostMarginMm);
    // A page too small for such margins keeps at least half of each side.
    layout.sideMarginMm = std::min(layout.sideMarginMm, page.widthMm / 4);
    layout.topMarginMm = std::min(layout.sideMarginMm, page.heightMm / 4);
    layout.bottomMarginMm = std::min(layout.sideMarginMm * kBottomToTop, page.heightMm / 4);
    const double typeScale = std::clamp(std::sqrt(shortSide / kA4ShortSideMm), kLeastTypeScale, kMostTypeScale);
    layout.zoom = kTrueSizeZoom * typeScale;
    return layout;
}

std::string LayoutStyleSheet(const BookLayout& layout, const std::string& extra)
{
    char zoom[64];
    std::snprintf(zoom, sizeof zoom, "html { zoom: %.4f !important; }\n", layout.zoom);
    return zoom + extra;
}

std::string Millimetres(double value)
{
    char text[32];
    std::snprintf(text, sizeof text, "%.2fmm", value);
    return text;
}
