// Where the places a book names end up in mobi2html's page: anchors put at
// byte offsets, KF8 positions found in libmobi's rebuilt files, and books
// whose table of contents leads into the middle of their text.
#include "anchor_places.h"
#include "kf8_anchors.h"
#include "kf8_positions.h"
#include "page_checks.h"
#include "run_program.h"
#include "section_books.h"
#include "temp_dir.h"

#include <gtest/gtest.h>

#include <mobi.h>

#include <filesystem>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

const std::string kMobi2Html = (fs::path(CORVALE_BIN_DIR) / "core" / "mobi2html").string();

// ---- anchor places ----

struct PlaceCase {
    const char* name;
    std::string markup;
    const char* at;       // the position is where this is found in the markup...
    int past;             // ...plus this many bytes
    const char* anchored; // found in the markup once anchor "X" is there
};

const PlaceCase kPlaceCases[] = {
    {"AtAHeadingItTakesTheId", "<body><p>a</p><h2 class=\"x\">Title</h2></body>", "<h2", 0, "<h2 id=\"X\" class=\"x\">Title"},
    {"InsideItsTagToo", "<body><p>a</p><h2 class=\"x\">Title</h2></body>", "<h2", 5, "<h2 id=\"X\" class=\"x\">Title"},
    {"AHeadingKeepsItsOwnId", "<body><h2 id=\"t1\">Title</h2></body>", "<h2", 0, "<h2 id=\"t1\">Title"},
    {"IdThatCannotStandGetsAnAnchorBefore", "<body><h2 id=\"a b\">Title</h2></body>", "<h2", 0,
     "<a id=\"X\"></a><h2 id=\"a b\">"},
    {"TheInnermostOfWrappedElements", "<body><div>\n <!-- c --><h2>Title</h2></div></body>", "<div", 0,
     "<div>\n <!-- c --><h2 id=\"X\">Title"},
    {"AtTheStartOfTextItsElement", "<body><p>\n Hello</p></body>", "Hello", 0, "<p id=\"X\">"},
    {"MidTextAnAnchor", "<body><p>Hello world</p></body>", "world", 0, "Hello <a id=\"X\"></a>world"},
    {"InsideACharacterTheNext", "<body><p>café au lait</p></body>", "é", 1, "café<a id=\"X\"></a> au lait"},
    {"InsideAnEntityPastIt", "<body><p>a &amp; b</p></body>", "&amp;", 2, "&amp;<a id=\"X\"></a> b"},
    {"InsideACommentPastIt", "<body><!-- note --><p>Text</p></body>", "note", 0, "<p id=\"X\">Text"},
    {"InsideAStyleSheetPastIt", "<body><style>p { color: red }</style><p>Text</p></body>", "color", 0,
     "<p id=\"X\">Text"},
    {"InsideLinkTextBeforeTheLink", "<body><p>see <a href=\"#x\">the link</a></p></body>", "link", 0,
     "see <a id=\"X\"></a><a href"},
    {"PreformattedTextItself", "<body><pre class=\"c\">\ncode</pre></body>", "<pre", 3, "<pre id=\"X\" class"},
    {"IntoATableCell", "<body><table>\n<tr><td>Cell</td></tr></table></body>", "<table", 0, "<td id=\"X\">Cell"},
    {"ATableWithoutCellsItself", "<body><table><tr></tr></table></body>", "<table", 0, "<table id=\"X\"><tr>"},
    {"InTheHeadTheBodysFirst", "<html><head><title>T</title></head><body><p>First</p></body></html>", "<title", 0,
     "<p id=\"X\">First"},
    {"PastTheBodyItsEnd", "<body><p>x</p></body></html>", "</html>", 2, "</p><a id=\"X\"></a></body>"},
    {"InADrawingBeforeIt", "<body><svg><text>S</text></svg></body>", "S<", 0, "<a id=\"X\"></a><svg>"},
    {"APictureItself", "<body><p><img src=\"a.jpg\"/>Caption</p></body>", "<img", 0, "<p><img id=\"X\" src"},
};

class AnchorPlace : public ::testing::TestWithParam<PlaceCase> {};

TEST_P(AnchorPlace, LandsRightBeforeWhatTheOffsetNamesAndKeepsTheMarkupSound)
{
    const PlaceCase& param = GetParam();
    const std::size_t found = param.markup.find(param.at);
    ASSERT_NE(found, std::string::npos);
    const AnchorPlaces places(param.markup);
    const ::AnchorPlace place = places.Find(found + static_cast<std::size_t>(param.past));
    const std::string anchored =
        place.id.empty() ? InsertAnchors(param.markup, {AnchorInsertion(param.markup, place, "X")}) : param.markup;
    EXPECT_NE(anchored.find(param.anchored), std::string::npos) << anchored;
}

INSTANTIATE_TEST_SUITE_P(Markup, AnchorPlace, ::testing::ValuesIn(kPlaceCases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(InsertAnchors, KeepsTheGivenOrderAtOnePlace)
{
    EXPECT_EQ(InsertAnchors("<p>ab</p>", {{4, "2"}, {3, "1a"}, {3, "1b"}}), "<p>1a1ba2b</p>");
}

// ---- KF8 positions ----

struct KindlePosCase {
    const char* value;
    std::optional<Kf8Position> position;
};

TEST(KindlePos, ReadsBase32FragmentAndOffset)
{
    const KindlePosCase cases[] = {
        {"kindle:pos:fid:0001:off:000000000A", Kf8Position{1, 10}},
        {"\"kindle:pos:fid:00v1:off:0000000010\"", Kf8Position{31 * 32 + 1, 32}},
        {"kindle:pos:fid:0000:off:0000000000", Kf8Position{0, 0}},
        {"kindle:pos:fid:0001:off:ZZ", std::nullopt},
        {"kindle:pos:fid:0001", std::nullopt},
        {"kindle:pos:fid:0001:off:VVVVVVVVVV", std::nullopt},  // more than 32 bits
        {"kindle:embed:0001", std::nullopt},
    };
    for (const KindlePosCase& c : cases) EXPECT_EQ(ParseKindlePos(c.value), c.position) << c.value;
}

struct RebuiltCase {
    const char* name;
    std::string source;
    std::string rebuilt;
    std::size_t changes;  // kNoMatch: the two do not compare
    const char* probe;    // found in both: its offsets must match
};
constexpr std::size_t kNoMatch = static_cast<std::size_t>(-1);

const RebuiltCase kRebuiltCases[] = {
    {"Same", "<p>a</p><h2>b</h2>", "<p>a</p><h2>b</h2>", 0, "<h2>"},
    {"LinkRewritten", "<a href=\"kindle:pos:fid:0001:off:0000000000\">x</a><h2>b</h2>",
     "<a href=\"part00001.html#y\">x</a><h2>b</h2>", 1, "<h2>"},
    {"UnquotedLinkRewritten", "<a href=kindle:pos:fid:0001:off:0000000000>x</a><h2>b</h2>",
     "<a href=\"part00001.html\">x</a><h2>b</h2>", 1, "<h2>"},
    {"AidRemoved", "<p aid=\"12\">a</p><h2 aid=\"13\" class=\"c\">b</h2>", "<p >a</p><h2  class=\"c\">b</h2>", 2, "b</h2>"},
    {"PictureInAStyle", "<p style=\"background:url(kindle:embed:0001?mime=image/jpeg)\">a</p><h2>b</h2>",
     "<p style=\"background:url(resource00000.jpg)\">a</p><h2>b</h2>", 1, "<h2>"},
    {"SelfClosingPicture", "<img src=\"kindle:embed:0002\"/><h2>b</h2>", "<img src=\"resource00001.png\"/><h2>b</h2>", 1,
     "<h2>"},
    {"OtherTextDiffers", "<p>abc</p>", "<p>abd</p>", kNoMatch, ""},
    {"RebuiltEndsEarly", "<p>abc</p>", "<p>ab", kNoMatch, ""},
};

class RebuiltFile : public ::testing::TestWithParam<RebuiltCase> {};

TEST_P(RebuiltFile, ComparesWithItsSourceAndMapsOffsets)
{
    const RebuiltCase& param = GetParam();
    const std::optional<std::vector<RebuiltChange>> changes = CompareRebuilt(param.source, param.rebuilt);
    if (param.changes == kNoMatch) {
        EXPECT_FALSE(changes);
        return;
    }
    ASSERT_TRUE(changes);
    EXPECT_EQ(changes->size(), param.changes);
    EXPECT_EQ(RebuiltOffset(*changes, param.source.find(param.probe)), param.rebuilt.find(param.probe));
    for (const RebuiltChange& change : *changes)  // an offset inside a change lands at its start
        EXPECT_EQ(RebuiltOffset(*changes, change.sourceStart + 1), change.rebuiltStart);
}

INSTANTIATE_TEST_SUITE_P(Files, RebuiltFile, ::testing::ValuesIn(kRebuiltCases),
                         [](const auto& info) { return std::string(info.param.name); });

// The files assembled from the text and the skeleton and fragment index are
// libmobi's own before it rewrites their links.
TEST(Kf8Files, AssembleAsLibmobiAssemblesThem)
{
    TempDir temp;
    const fs::path file = temp / "sections.mobi";
    ASSERT_TRUE(WriteMobiBook(file, MakeKf8SectionsBook(3, 3, 1)));
    const std::unique_ptr<MOBIData, void (*)(MOBIData*)> data(mobi_init(), mobi_free);
    ASSERT_EQ(mobi_load_filename(data.get(), file.string().c_str()), MOBI_SUCCESS);
    const std::unique_ptr<MOBIRawml, void (*)(MOBIRawml*)> rawml(mobi_init_rawml(data.get()), mobi_free_rawml);
    ASSERT_EQ(mobi_parse_rawml_opt(rawml.get(), data.get(), false, false, false), MOBI_SUCCESS);
    std::vector<std::string> expected;
    for (const MOBIPart* part = rawml->markup; part; part = part->next)
        expected.emplace_back(reinterpret_cast<const char*>(part->data), part->size);
    EXPECT_EQ(AssembleKf8Files(rawml.get()), expected);
    EXPECT_EQ(expected.size(), 4u);
}

// ---- books whose table of contents leads into their chapters ----

struct SectionBookCase {
    const char* name;
    MobiBook (*make)(int chapters, int sections, int paragraphs);
};

class SectionBook : public ::testing::TestWithParam<SectionBookCase> {};

// Every entry of the table of contents leads to an id right before the text
// of its own heading; no two entries share one.
TEST_P(SectionBook, EveryEntryLeadsRightBeforeItsHeading)
{
    constexpr int kChapters = 2, kSections = 3;
    TempDir temp;
    const fs::path book = temp / "sections.mobi";
    ASSERT_TRUE(WriteMobiBook(book, GetParam().make(kChapters, kSections, 2)));
    const ProgramResult result = RunProgram(kMobi2Html, {book.string(), (temp / "out").string()});
    ASSERT_EQ(result.exitCode, 0) << result.errorOutput;
    const std::string html = ReadTextFile(temp / "out" / "sections.html");

    const std::vector<NavLink> links = NavLinks(html);
    ASSERT_EQ(links.size(), std::size_t{kChapters * (kSections + 1)}) << NavOf(html);
    std::set<std::string> targets;
    for (const NavLink& link : links) {
        SCOPED_TRACE(link.label);
        EXPECT_EQ(link.depth, link.label.starts_with("Chapter") ? 0 : 1);
        EXPECT_EQ(WordsAfter(html, link.href.substr(1), Squeezed(link.label).size()), Squeezed(link.label));
        targets.insert(link.href);
    }
    EXPECT_EQ(targets.size(), links.size());
}

INSTANTIATE_TEST_SUITE_P(Books, SectionBook,
                         ::testing::Values(SectionBookCase{"Kf8", MakeKf8SectionsBook},
                                           SectionBookCase{"Kf7", MakeKf7SectionsBook}),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
