// What the renderer reads from mobi2html's page before it renders it: the
// document information and table of contents, and where the markers of
// link targets go.
#include "link_targets.h"
#include "page_facts.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <ostream>
#include <string>
#include <tuple>
#include <vector>

namespace {

const std::string kHead = "<!DOCTYPE html>\n<html lang=\"de-at\">\n<head>\n<meta charset=\"utf-8\">\n"
                          "<title>Die B&uuml;cher &amp; &quot;Zeichen&quot;</title>\n"
                          "<meta name=\"author\" content=\"Ana&#239;s Nin &amp; Jean-Paul &lt;Sartre&gt;\">\n"
                          "<meta name=\"subject\" content=\"Essais; Philosophie\">\n"
                          "<meta name=\"corvale-cover\" content=\"images/image00003.gif\">\n"
                          "<style>p { margin: 0 }</style>\n</head>\n<body>\n";

PageFacts FactsOf(const std::string& page) { return ReadPageFacts(TokenizeHtml(page)); }

// The outline as (depth, label, target) rows in reading order.
void Flatten(const std::vector<OutlineEntry>& entries, int depth,
             std::vector<std::tuple<int, std::string, std::string>>& rows)
{
    for (const OutlineEntry& entry : entries) {
        rows.emplace_back(depth, entry.label, entry.target);
        Flatten(entry.children, depth + 1, rows);
    }
}

}  // namespace

TEST(PageFactsTest, HeadGivesTheDocumentInformationAsPlainText)
{
    const PageFacts facts = FactsOf(kHead + "<nav id=\"corvale-toc\" hidden style=\"display:none\"></nav>\n<p>x</p>");
    EXPECT_EQ(facts.title, "Die Bücher & \"Zeichen\"");
    EXPECT_EQ(facts.author, "Anaïs Nin & Jean-Paul <Sartre>");
    EXPECT_EQ(facts.subject, "Essais; Philosophie");
    EXPECT_EQ(facts.language, "de-at");
    EXPECT_EQ(facts.cover, "images/image00003.gif");
    EXPECT_TRUE(facts.outline.empty());

    const PageFacts bare = FactsOf("<!DOCTYPE html>\n<html>\n<head>\n<title></title>\n</head>\n<body>\n<p>x</p>");
    EXPECT_EQ(std::tie(bare.title, bare.author, bare.subject, bare.language, bare.cover),
              std::make_tuple("", "", "", "", ""));
}

TEST(PageFactsTest, OutlineKeepsNestingAndTakesTheTextOfEachLabel)
{
    const std::string nav =
        "<nav id=\"corvale-toc\" hidden style=\"display:none\"><ol>"
        "<li><a href=\"#part0\">Part&nbsp;<i>One</i> &mdash;\n  Caf&eacute;</a><ol>"
        "<li><a href=\"#c1\">Chapter &#x31;</a><ol><li><a href=\"#s1\">Deep &amp; deeper</a></li></ol></li>"
        "<li><a href=\"#c2\"> </a><ol><li><a href=\"#s2\">Orphan</a></li></ol></li></ol></li>"
        "<li><a href=\"#part1\">Part Two</a></li></ol></nav>\n";
    const PageFacts facts = FactsOf(kHead + nav + "<p id=\"part0\">x</p>");
    std::vector<std::tuple<int, std::string, std::string>> rows;
    Flatten(facts.outline, 0, rows);
    // An entry without a label gives its place to its own entries.
    const std::vector<std::tuple<int, std::string, std::string>> expected = {
        {0, "Part\u00A0One \u2014 Café", "part0"}, {1, "Chapter 1", "c1"}, {2, "Deep & deeper", "s1"},
        {1, "Orphan", "s2"},                        {0, "Part Two", "part1"}};
    EXPECT_EQ(rows, expected);

    // Only the nav that opens the body is the table of contents.
    const PageFacts later = FactsOf(kHead + "<p>first</p>" + nav);
    EXPECT_TRUE(later.outline.empty());
}

// A contents list nested deeper than any book's is read without a call per
// level (no depth can exhaust the stack): its entries all stay, in order,
// those past the deepest level read kept at that level.
TEST(PageFactsTest, DeepOutlineIsReadWholeAndFlattenedAtItsDeepestLevel)
{
    for (const int levels : {static_cast<int>(kMaxOutlineDepth) + 1, 60000}) {
        SCOPED_TRACE(levels);
        std::string nav = "<nav id=\"corvale-toc\" hidden style=\"display:none\">";
        for (int i = 0; i < levels; ++i)
            nav += "<ol><li><a href=\"#t" + std::to_string(i) + "\">Level " + std::to_string(i) + "</a>";
        for (int i = 0; i < levels; ++i) nav += "</li></ol>";
        nav += "</nav>\n";
        const PageFacts facts = FactsOf(kHead + nav + "<p id=\"t0\">x</p>");
        std::vector<std::tuple<int, std::string, std::string>> rows;
        Flatten(facts.outline, 0, rows);
        ASSERT_EQ(rows.size(), static_cast<std::size_t>(levels));
        for (int i = 0; i < levels; ++i) {
            const int depth = std::min(i, static_cast<int>(kMaxOutlineDepth) - 1);
            ASSERT_EQ(rows[i], std::make_tuple(depth, "Level " + std::to_string(i), "t" + std::to_string(i)));
        }
    }
}

struct MarkerCase {
    const char* name;
    std::string body;
    std::string marked;  // the body with "@" where the marker of target 0 goes
};

void PrintTo(const MarkerCase& param, std::ostream* out) { *out << param.name; }

class MarkerPlacement : public ::testing::TestWithParam<MarkerCase> {};

TEST_P(MarkerPlacement, MarkerGoesWhereItLandsWithItsTargetAndChangesNothing)
{
    const std::string link = "<p><a href=\"#t\">to t</a></p>\n";
    const std::string head = "<!DOCTYPE html>\n<html>\n<head>\n</head>\n<body>\n" + link;
    const std::string page = head + GetParam().body;
    const MarkedPage marked = MarkLinkTargets(page, TokenizeHtml(page));
    ASSERT_EQ(marked.targets, std::vector<std::string>{"t"});
    std::string expected = head + GetParam().marked;
    expected.replace(expected.find('@'), 1, "<a href=\"" + std::string(kMarkerAddress) + "0\"></a>");
    EXPECT_EQ(marked.page, expected);
}

INSTANTIATE_TEST_SUITE_P(
    Targets, MarkerPlacement,
    ::testing::Values(
        MarkerCase{"InsideAHeading", "<h2 id=\"t\">Title</h2>", "<h2 id=\"t\">@Title</h2>"},
        MarkerCase{"EmptyAnchorIntoTheNextBlock", "<a id=\"t\"></a>\n<a id=\"u\"></a><div class=\"c\">\n<h2>Title</h2>",
                   "<a id=\"t\"></a>\n<a id=\"u\"></a><div class=\"c\">\n<h2>@Title</h2>"},
        MarkerCase{"EmptyAnchorBeforeText", "<p>Words <a id=\"t\"></a>here</p>", "<p>Words @<a id=\"t\"></a>here</p>"},
        MarkerCase{"NeverIntoAPageBreak", "<a id=\"t\"></a>\n<div style=\"page-break-before:always\"></div>\n<p>x</p>",
                   "@<a id=\"t\"></a>\n<div style=\"page-break-before:always\"></div>\n<p>x</p>"},
        MarkerCase{"BeforeAPicture", "<p><img id=\"t\" src=\"a.png\"></p>", "<p>@<img id=\"t\" src=\"a.png\"></p>"},
        MarkerCase{"BeforePreformattedText", "<pre id=\"t\">\ncode</pre>", "@<pre id=\"t\">\ncode</pre>"},
        MarkerCase{"BeforeTheLinkThatHoldsTheTarget", "<p><a href=\"x.html\">a <span id=\"t\">b</span></a></p>",
                   "<p>@<a href=\"x.html\">a <span id=\"t\">b</span></a></p>"},
        MarkerCase{"BeforeTheDrawingThatHoldsTheTarget",
                   "<p><svg><a id=\"q\"></a><g id=\"t\"></g></svg></p>",
                   "<p>@<svg><a id=\"q\"></a><g id=\"t\"></g></svg></p>"}),
    [](const auto& info) { return std::string(info.param.name); });
