// Cutting a page into pieces at its page breaks: where it may be cut, what
// every piece holds, and that the pieces together hold the page.
#include "page_checks.h"

#include "tools/renderer/page_splitter.h"
#include "tools/renderer/piece_writer.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

const std::string kBreak = std::string(kPageBreakMarker) + "\n";
const std::string kHead = "<!DOCTYPE html>\n<html lang=\"fr\">\n<head>\n<meta charset=\"utf-8\">\n"
                          "<title>Le Livre</title>\n<meta name=\"author\" content=\"Zoë\">\n"
                          "<meta name=\"corvale-cover\" content=\"images/image00001.jpg\">\n"
                          "<style>\nhtml { zoom: 1.3333; }\n.x { color: red }\n</style>\n</head>\n<body>\n";
const std::string kTail = "\n</body>\n</html>\n";

// Every break may be cut: a piece as small as one byte is allowed.
constexpr PieceSizes kEveryBreak{.maxWeight = 1, .breakWeight = 0, .splitFrom = 1, .spread = 1};

std::vector<std::string> Pieces(const std::string& page, const PieceSizes& sizes = kEveryBreak)
{
    const std::vector<HtmlToken> tokens = TokenizeHtml(page);
    const PagePlan plan = PlanPieces(page, tokens, sizes);
    std::vector<std::string> pieces;
    for (std::size_t i = 0; i < plan.pieces.size(); ++i) pieces.push_back(ComposePiece(page, plan, i, {}));
    return pieces;
}

std::string HeadOf(const std::string& piece) { return piece.substr(0, piece.find("<body>") + 6); }

struct CutCase {
    const char* name;
    std::string body;
    std::size_t pieces;
};

class Cuts : public ::testing::TestWithParam<CutCase> {};

TEST_P(Cuts, OnlyWhereTheBreakCanBeClosedAndReopened)
{
    const std::string page = kHead + GetParam().body + kTail;
    const std::vector<std::string> pieces = Pieces(page);
    ASSERT_EQ(pieces.size(), GetParam().pieces) << page;
    std::size_t markers = 0;
    for (const std::string& piece : pieces) {
        EXPECT_EQ(HeadOf(piece), HeadOf(page)) << "every piece has the page's whole head";
        EXPECT_TRUE(piece.ends_with("</html>\n")) << piece;
        markers += CountOf(piece, kPageBreakMarker);
    }
    // A cut takes its break away; a break left alone stays where it was.
    EXPECT_EQ(markers + pieces.size() - 1, CountOf(page, kPageBreakMarker));
}

INSTANTIATE_TEST_SUITE_P(
    Page, Cuts,
    ::testing::Values(
        CutCase{"NoBreak", "<p>One page only.</p>", 1},
        CutCase{"TopLevel", "<p>One</p>\n" + kBreak + "<p>Two</p>\n" + kBreak + "<p>Three</p>", 3},
        CutCase{"InComment", "<p>One</p><!-- " + kBreak + " --><p>Two</p>", 1},
        CutCase{"InAttribute", "<p title='" + kBreak + "'>One</p><p>Two</p>", 1},
        CutCase{"InScript", "<p>One</p><script>var s = '" + kBreak + "';</script><p>Two</p>", 1},
        CutCase{"InPre", "<pre>One\n" + kBreak + "Two</pre>", 1},
        CutCase{"InTable", "<table><tr><td>One" + kBreak + "Two</td></tr></table>", 1},
        CutCase{"InList", "<ol><li>One" + kBreak + "</li><li>Two</li></ol>", 1},
        CutCase{"AfterTableAndPre", "<table><tr><td>x</td></tr></table><pre>y</pre>" + kBreak + "<p>Two</p>", 2},
        CutCase{"InDivs", "<div class=\"x\"><div id=\"a\">One" + kBreak + "Two</div></div>", 2},
        CutCase{"InParagraph", "<p>One" + kBreak + "Two</p>", 2},
        CutCase{"UnclosedTable", "<table><tr><td>One</td></tr>" + kBreak + "<p>Two</p>", 1}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(PageSplitter, ReopensWhatIsOpenWithItsAttributesButNotItsId)
{
    const std::string page = kHead + "<div class=\"book\" id=\"top\" style=\"margin: 2em\"><p><b>Bold " + kBreak +
                             "still bold</b></p></div>" + kTail;
    const std::vector<std::string> pieces = Pieces(page);
    ASSERT_EQ(pieces.size(), 2u);
    // The first piece closes the bold text and the div that go on; the
    // paragraph was closed by the break itself.
    EXPECT_NE(pieces[0].find("Bold </b></div>\n</body>"), std::string::npos) << pieces[0];
    EXPECT_NE(pieces[0].find("<div class=\"book\" id=\"top\" style=\"margin: 2em;page-break-after:auto"),
              std::string::npos)
        << pieces[0];
    EXPECT_NE(pieces[1].find("<body><div class=\"book\" style=\"margin: 2em;page-break-before:auto !important;"
                             "margin-top:0 !important"),
              std::string::npos)
        << pieces[1];
    EXPECT_NE(pieces[1].find("<b>still bold</b></p></div>"), std::string::npos) << pieces[1];
    EXPECT_EQ(CountOf(pieces[0] + pieces[1], "id=\"top\""), 1u) << "an id names one place";
}

TEST(PageSplitter, PiecesTogetherHoldTheWholeBodyInOrder)
{
    std::string body;
    for (int i = 0; i < 40; ++i) {
        if (i > 0) body += kBreak;
        body += "<h2 id=\"e" + std::to_string(i) + "\">Entrée " + std::to_string(i) +
                "</h2><p>Grüße, naïve café, 日本語 <a href=\"#e0\">back</a></p>\n";
    }
    const std::string page = kHead + "<nav id=\"corvale-toc\" hidden><ol><li><a href=\"#e1\">1</a></li></ol></nav>\n" +
                             "<div>" + body + "</div>" + kTail;
    constexpr PieceSizes kSizes{.maxWeight = 1000, .breakWeight = 0, .splitFrom = 1, .spread = 1};
    const std::vector<std::string> pieces = Pieces(page, kSizes);
    ASSERT_GT(pieces.size(), 3u);
    std::string visible;
    for (const std::string& piece : pieces) {
        EXPECT_TRUE(IsValidUtf8(piece));
        // Bounded: a piece is about the size asked for, never many of them.
        EXPECT_LT(BodyOf(piece).size(), 2 * kSizes.maxWeight) << piece;
        visible += VisibleText(BodyOf(piece));
    }
    std::string expected = VisibleText(BodyOf(page));
    EXPECT_EQ(visible, expected);
    EXPECT_NE(pieces[0].find("<nav id=\"corvale-toc\" hidden>"), std::string::npos);
    for (int i = 0; i < 40; ++i) {
        std::size_t seen = 0;
        for (const std::string& piece : pieces) seen += CountOf(piece, "id=\"e" + std::to_string(i) + "\"");
        EXPECT_EQ(seen, 1u) << "entry " << i;
    }
}

TEST(PageSplitter, SmallPagesStayWholeAndLargeOnesSpreadOverTheProcessors)
{
    std::string body;
    for (int i = 0; i < 100; ++i) body += (i ? kBreak : "") + "<p>" + std::string(100, 'x') + "</p>";
    const std::string page = kHead + body + kTail;
    const PieceSizes small{.maxWeight = 1 << 20, .breakWeight = 0, .splitFrom = page.size() + 1, .spread = 4};
    ASSERT_EQ(Pieces(page, small).size(), 1u);
    EXPECT_EQ(Pieces(page, small)[0], page) << "one piece is the page itself";

    const PieceSizes spread{.maxWeight = 1 << 20, .breakWeight = 0, .splitFrom = 1000, .spread = 4};
    EXPECT_EQ(Pieces(page, spread).size(), 4u);
    // Each page break weighs as much as a KB of text: more pieces.
    const PieceSizes heavyBreaks{.maxWeight = 20000, .breakWeight = 1000, .splitFrom = 1000, .spread = 1};
    EXPECT_EQ(Pieces(page, heavyBreaks).size(), 6u);
}

TEST(PageSplitter, PageWithoutBodyOrWithTextBeforeItStaysWhole)
{
    for (const std::string& page : {"<p>One</p>" + kBreak + "<p>Two</p>",
                                    "<html><head></head>Stray<body><p>One</p>" + kBreak + "<p>Two</p></body></html>"}) {
        const std::vector<std::string> pieces = Pieces(page);
        ASSERT_EQ(pieces.size(), 1u);
        EXPECT_EQ(pieces[0], page);
    }
}

TEST(PageSplitter, EditsApplyInTheHeadAndTheBodyOfEveryPiece)
{
    const std::string page = kHead + "<div style=\"background: url(big.jpg)\"><img src=\"big.jpg\">" + kBreak +
                             "<img src=\"big.jpg\"></div>" + kTail;
    const std::vector<HtmlToken> tokens = TokenizeHtml(page);
    const PagePlan plan = PlanPieces(page, tokens, kEveryBreak);
    ASSERT_EQ(plan.pieces.size(), 2u);
    std::vector<TextEdit> edits;
    for (const HtmlToken& token : tokens) {
        if (token.raw.find("big.jpg") == std::string_view::npos) continue;
        std::string text(token.raw);
        text.replace(text.find("big.jpg"), 7, "small.jpg");
        edits.push_back({OffsetOf(page, token), OffsetOf(page, token) + token.raw.size(), text});
    }
    for (std::size_t i = 0; i < 2; ++i) {
        const std::string piece = ComposePiece(page, plan, i, edits);
        EXPECT_EQ(CountOf(piece, "big.jpg"), 0u) << piece;
        EXPECT_EQ(CountOf(piece, "small.jpg"), 2u) << piece;  // the div's picture and one <img>
    }
}

struct DeepCase {
    const char* name;
    std::string open;   // one level of nesting
    std::string close;
};

// However deep the nesting, planning reads each tag once: nothing is cut
// inside nesting deeper than books have, and what lies before it is cut as
// ever. A plan that looked through every open element for each tag would
// take minutes here.
TEST(PageSplitter, DeepNestingIsPlannedInOnePassAndNotCut)
{
    constexpr int kLevels = 100000;
    const DeepCase cases[] = {
        {"sections", "<section>", "</section>"},
        {"italic blocks", "<i><div>", "</div></i>"},
        {"definitions", "<dl><dd>", "</dd></dl>"},
        {"lists", "<ul><li>", "</li></ul>"},
        {"paragraphs in bold", "<p><b>", "</b></p>"},
    };
    for (const auto& [name, open, close] : cases) {
        SCOPED_TRACE(name);
        std::string body = "<div><p>before</p>" + kBreak + "<p>first</p></div>";
        for (int i = 0; i < kLevels; ++i) body += open;
        body += "deep" + kBreak + "deeper" + kBreak;
        for (int i = 0; i < kLevels; ++i) body += close;
        body += kBreak + "<p>after</p>";
        const std::string page = kHead + body + kTail;
        const std::vector<HtmlToken> tokens = TokenizeHtml(page);
        const PagePlan plan = PlanPieces(page, tokens, kEveryBreak);
        EXPECT_EQ(plan.breaks, 4u);
        ASSERT_EQ(plan.pieces.size(), 2u) << "only the break before the deep part is cut";
        EXPECT_EQ(plan.pieces[1].reopened.size(), 1u) << "the <div> around the cut";
        EXPECT_EQ(plan.pieces[1].content.end, page.size());
        EXPECT_EQ(CountOf(ComposePiece(page, plan, 1, {}), kPageBreakMarker), 3u);
    }
}

}  // namespace
