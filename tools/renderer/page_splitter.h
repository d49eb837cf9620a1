// Plans how a book's page is cut into pieces that are rendered one by one:
// only at the page breaks that mobi2html writes, only where what is open
// there can be closed and opened again, into pieces of about equal weight.
#pragma once

#include "html_tokens.h"
#include "open_elements.h"

#include <cstddef>
#include <string_view>
#include <vector>

// The page break mobi2html writes, always followed by a line feed.
inline constexpr std::string_view kPageBreakTag = "<div style=\"page-break-before:always\">";

struct ByteRange {
    std::size_t begin = 0;
    std::size_t end = 0;
    std::size_t Size() const { return end - begin; }
};

struct PagePiece {
    ByteRange content;                  // a stretch of the page's body
    std::vector<OpenElement> reopened;  // open where the piece begins, outermost first
    std::vector<OpenElement> closed;    // open where the piece ends, outermost first
};

struct PagePlan {
    // The page up to and with its <body> start tag (doctype, <html>, the
    // whole <head>), written at the top of every piece. Empty when the page
    // cannot be cut at all: its one piece is then the page itself.
    ByteRange prologue;
    std::vector<PagePiece> pieces;  // in reading order; the last runs to the end of the page
    std::size_t breaks = 0;         // page breaks in the body, cut or not
};

// How heavy pieces may be. A piece's weight is its bytes plus `breakWeight`
// for each page break in it: the renderer's time grows with its pages as
// well as with its text.
struct PieceSizes {
    std::size_t maxWeight = 0;    // a piece is never heavier, unless no break allows it
    std::size_t breakWeight = 0;
    std::size_t splitFrom = 0;    // pages lighter than this stay in one piece
    std::size_t spread = 1;       // pages from splitFrom on become at least this many pieces
};

// `tokens` are those of `page` (TokenizeHtml). A plan without pieces when a
// stop was requested meanwhile.
PagePlan PlanPieces(std::string_view page, const std::vector<HtmlToken>& tokens, const PieceSizes& sizes);

// Where a token starts in the page it was read from.
inline std::size_t OffsetOf(std::string_view page, const HtmlToken& token)
{
    return static_cast<std::size_t>(token.raw.data() - page.data());
}
