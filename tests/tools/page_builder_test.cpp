// The page assembly of mobi2html on markup written for the test: what KF8
// books hold and the samples do not (style sheets, several files, XHTML
// forms), and the text encodings.
#include "page_checks.h"
#include "page_documents.h"

#include "tools/mobi2html/css_fixes.h"
#include "tools/mobi2html/filepos_anchors.h"
#include "tools/mobi2html/ncx_reader.h"
#include "tools/mobi2html/page_builder.h"
#include "tools/mobi2html/text_encoding.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <tuple>
#include <string>
#include <utility>
#include <vector>

namespace {

// Stands in for the book's files: resourceNNNNN names give images/imageNNNNN.png
// for the numbers listed in `images`, flowNNNNN.css the sheets in `sheets`.
class FakeResources : public PageResources {
public:
    std::map<std::string, std::string> images;  // reference -> page path
    std::map<std::size_t, std::string> recordImages;
    std::map<std::string, std::string> sheets;  // reference -> CSS
    std::vector<std::string> asked;             // every reference looked up

    std::string ImageByIndex(std::size_t recindex) override
    {
        const auto found = recordImages.find(recindex);
        return found == recordImages.end() ? std::string() : found->second;
    }
    std::string ImageByReference(std::string_view reference) override
    {
        asked.emplace_back(reference);
        const auto found = images.find(std::string(reference));
        return found == images.end() ? std::string() : found->second;
    }
    std::optional<std::string> StyleSheet(std::string_view reference) override
    {
        const auto found = sheets.find(std::string(reference));
        if (found == sheets.end()) return std::nullopt;
        return found->second;
    }
};

std::string Part(const std::string& head, const std::string& body)
{
    return "<?xml version=\"1.0\" encoding=\"utf-8\"?><!DOCTYPE html><html xmlns=\"http://www.w3.org/1999/xhtml\">"
           "<head><meta charset=\"cp-1252\"/><title>Part title</title>" +
           head + "</head><body class=\"part\">" + body + "</body></html>";
}

std::string HeadOf(const std::string& page) { return page.substr(0, page.find("<body>")); }

TEST(PageBuilderTest, EachFileOfTheBookStartsANewPage)
{
    FakeResources resources;
    const std::string page =
        BuildPage(DocumentOf("Two & More", {Part("", "<h1>First file</h1>"), Part("", "<h1>Second file</h1>"),
                                 Part("", "  "), Part("", "<h1>Third file</h1>"), Part("", "<p> </p>")}),
        resources);
    const std::vector<std::string_view> pages = PagesOf(page);
    ASSERT_EQ(pages.size(), 3u) << page;
    EXPECT_NE(pages[0].find("First file"), std::string_view::npos);
    EXPECT_NE(pages[1].find("Second file"), std::string_view::npos);
    EXPECT_NE(pages[2].find("Third file"), std::string_view::npos);
    EXPECT_NE(page.find("<title>Two &amp; More</title>"), std::string::npos);
    EXPECT_EQ(BodyOf(page).find("Part title"), std::string_view::npos);
    EXPECT_EQ(CountOf(page, "charset="), 1u);
    // The files' bodies keep their class as blocks of the one page.
    EXPECT_EQ(CountOf(page, "<div class=\"part\""), 5u);
}

TEST(PageBuilderTest, StyleSheetsAreGatheredInTheHeadWithoutFontsAndNetwork)
{
    FakeResources resources;
    resources.images["resource00003.png"] = "images/image00003.png";
    resources.sheets["flow00001.css"] =
        "@charset \"utf-8\";\n@import url(\"http://tracker.example/more.css\");\n"
        "@font-face { font-family: Serif1; src: url(resource00002.ttf); }\n"
        "/* a comment with url(http://tracker.example/c.png) */\n"
        ".banner { background: url( \"resource00003.png\" ) no-repeat; }\n"
        ".remote { background-image: url(http://tracker.example/bg.png); }\n"
        "h1 { font-family: Serif1; color: #123456 }\n"
        ".quote:before { content: \"</style><script>\" }\n"
        "@media amzn-kf8 { .drop { font-size: 3em } }\n@media amzn-mobi { .drop { font-size: 1em } }\n";
    const std::string link = "<link rel=\"stylesheet\" type=\"text/css\" href=\"flow00001.css\"/>";
    const std::string page = BuildPage(DocumentOf(
        "", {Part(link + "<style>p.note { color: red }</style>", "<h1>One</h1>"), Part(link, "<h1>Two</h1>")}), resources);

    const std::string head = HeadOf(page);
    EXPECT_NE(head.find("p.note { color: red }"), std::string::npos);
    EXPECT_NE(head.find("h1 { font-family: Serif1; color: #123456 }"), std::string::npos);
    EXPECT_NE(head.find("url('images/image00003.png') no-repeat"), std::string::npos) << head;
    EXPECT_EQ(CountOf(head, "#123456"), 1u) << "a sheet linked from every file is taken once";
    // Rules for KF8 readers apply, those for older readers do not.
    EXPECT_NE(head.find("@media all { .drop { font-size: 3em } }"), std::string::npos) << head;
    EXPECT_NE(head.find("@media amzn-mobi { .drop { font-size: 1em } }"), std::string::npos) << head;
    for (const char* gone : {"tracker.example", "@font-face", "resource00002", "@import", "@charset", "</style><"})
        EXPECT_EQ(head.find(gone), std::string::npos) << gone;
    EXPECT_EQ(page.find("<link"), std::string::npos);
    EXPECT_EQ(CountOf(page, "</style>"), 1u) << "only the page's own style element may end";
}

TEST(PageBuilderTest, TinyAbsoluteFontSizesAreRaisedAndPreformattedTextWraps)
{
    const UrlResolver none = [](std::string_view) { return std::string(); };
    const std::pair<std::string, std::string> sheets[] = {
        {"p { font-size: 6px; }", "p { font-size: 9pt; }"},
        {".n{font-size:7pt!important}", ".n{font-size:9pt!important}"},
        {"small { font-size: x-small } .z { FONT-SIZE: 0.1in }", "small { font-size: 9pt } .z { FONT-SIZE: 9pt }"},
        // Relative sizes, readable ones and zero (hidden text) stay the book's.
        {"p { font-size: 0.6em } h1 { font-size: 12px } .x { font-size: 0 } .y { font-size: 9pt }",
         "p { font-size: 0.6em } h1 { font-size: 12px } .x { font-size: 0 } .y { font-size: 9pt }"},
        {"pre.code { white-space: pre; } td { white-space: nowrap }",
         "pre.code { white-space: pre-wrap; } td { white-space: nowrap }"},
        {"a.font-size:hover { color: red }", "a.font-size:hover { color: red }"},
    };
    for (const auto& [css, fixed] : sheets) EXPECT_EQ(FixStyleSheet(css, none), fixed);
    EXPECT_EQ(FixInlineStyle("font-size: 5pt; white-space: pre", none), "font-size: 9pt; white-space: pre-wrap");
}

TEST(PageBuilderTest, BreaksTheBookAsksForAtTheEdgesOfEachFileAreOverruled)
{
    // Each file gets its own pages from the breaks the page writes; a break
    // the book's CSS asks for at a file's start or end would add an empty
    // page (at the start or end of the PDF, or beside one of those breaks).
    FakeResources resources;
    const std::string page = BuildPage(DocumentOf(
        "", {Part("", "<div class=\"chapter\"><h1 class=\"title\">Start</h1><p>Middle</p><p class=\"closing\">Closing</p></div>"),
             Part("", "<div class=\"chapter\"><h1>Again</h1><p>Inner</p><p class=\"last\">End</p></div><div class=\"spacer\"></div>")}),
        resources);
    const std::vector<std::string_view> pages = PagesOf(page);
    ASSERT_EQ(pages.size(), 2u) << page;
    const std::string noBefore = "page-break-before:auto !important";
    const std::string noAfter = "page-break-after:auto !important";
    for (const std::string_view file : pages) {
        // Everything up to the first words: the file's block, the chapter, the heading.
        const std::string_view start = file.substr(0, file.find("</h1>"));
        EXPECT_EQ(CountOf(start, noBefore), 3u) << start;
    }
    EXPECT_NE(pages[0].find("<h1 id=\"heading-1\" class=\"title\" style=\"" + noBefore + "\">Start"), std::string_view::npos)
        << pages[0];
    EXPECT_NE(pages[0].find("<p class=\"closing\" style=\"" + noAfter + "\">Closing</p></div></div>"), std::string_view::npos)
        << pages[0];
    EXPECT_NE(pages[1].find("<p class=\"last\" style=\"" + noAfter + "\">End</p></div><div class=\"spacer\" style=\"" +
                            noBefore + ";" + noAfter + "\"></div></div>"),
              std::string_view::npos)
        << pages[1];
    // In between the book's CSS keeps its say.
    EXPECT_NE(pages[0].find("<p>Middle</p>"), std::string_view::npos);
    EXPECT_NE(pages[1].find("<p>Inner</p>"), std::string_view::npos);
}

TEST(PageBuilderTest, PageBreaksInARowGiveOneBreak)
{
    FakeResources resources;
    const std::string page = BuildPage(DocumentOf(
        "", {"<html><body><mbp:pagebreak/><mbp:pagebreak /><p>alpha</p><mbp:pagebreak/>\n<mbp:pagebreak/><p>beta</p>"
             "<MBP:PAGEBREAK></MBP:PAGEBREAK><p>\n</p></body></html>"}),
        resources);
    const std::vector<std::string_view> pages = PagesOf(page);
    ASSERT_EQ(pages.size(), 2u) << page;
    EXPECT_NE(pages[0].find("alpha"), std::string_view::npos);
    EXPECT_NE(pages[1].find("beta"), std::string_view::npos);
    EXPECT_EQ(page.find("pagebreak"), std::string::npos);
}

TEST(PageBuilderTest, SelfClosedElementsOfXhtmlAreClosedForTheHtmlParser)
{
    FakeResources resources;
    const std::string page =
        BuildPage(DocumentOf("", {Part("", "<p>Lead</p><div class=\"gap\"/><p>Text<a id=\"note1\"/> after the anchor<br/>line</p>"
                                "<p>Tail</p>")}),
        resources);
    EXPECT_NE(page.find("<div class=\"gap\"></div>"), std::string::npos) << page;
    EXPECT_NE(page.find("<a id=\"note1\"></a> after the anchor<br>line"), std::string::npos) << page;
}

TEST(PageBuilderTest, LinksIntoTheBookKeepOnlyTheirText)
{
    FakeResources resources;
    const std::string page = BuildPage(DocumentOf(
        "", {Part("", "<p><a href=\"part00002.html#ch2\" class=\"x\">next chapter</a>, <a href=\"#note\">note</a>, "
                      "<a href=\"kindle:pos:fid:0001:off:0000\">position</a>, <A HREF=\"HTTPS://example.org/\">site</A>, "
                      "<a href='mailto:a@example.org'>mail</a></p>")}),
        resources);
    EXPECT_NE(page.find("<a class=\"x\">next chapter</a>"), std::string::npos) << page;
    EXPECT_NE(page.find("<a>note</a>"), std::string::npos);
    EXPECT_NE(page.find("<a>position</a>"), std::string::npos);
    EXPECT_NE(page.find("<a href=\"HTTPS://example.org/\">site</a>"), std::string::npos);
    EXPECT_NE(page.find("<a href=\"mailto:a@example.org\">mail</a>"), std::string::npos);
}

TEST(PageBuilderTest, PicturesPointAtTheirFilesOrAreLeftOut)
{
    FakeResources resources;
    resources.images["resource00001.jpg"] = "images/image00001.jpg";
    resources.recordImages[2] = "images/image00002.gif";
    const std::string page = BuildPage(DocumentOf(
        "", {Part("", "<p><img src=\"resource00001.jpg\" alt=\"cover\"/></p>"
                      "<p><img src=\"BMP\" recindex=\"00002\" width=\"20\"></p>"
                      "<p><img src=\"http://tracker.example/pixel.gif\"/><img src=\"resource00009.jpg\"/>"
                      "<img recindex=\"00007\"></p>"
                      "<svg><image xlink:href=\"resource00001.jpg\" width=\"10\" height=\"10\"/></svg>")}),
        resources);
    EXPECT_EQ(AttributeValues(page, "src"),
              (std::vector<std::string>{"images/image00001.jpg", "images/image00002.gif"}));
    EXPECT_EQ(AttributeValues(page, "xlink:href"), (std::vector<std::string>{"images/image00001.jpg"}));
    EXPECT_NE(page.find("alt=\"cover\""), std::string::npos);
    EXPECT_NE(page.find("width=\"20\""), std::string::npos);
    EXPECT_EQ(CountOf(page, "<img"), 2u) << "pictures without a file are left out, not shown broken";
}

TEST(PageBuilderTest, UnclosedElementsLoseOnlyTheirTag)
{
    FakeResources resources;
    const std::string page =
        BuildPage(DocumentOf("", {Part("", "<p>before</p><video src=\"resource00001.mpg\"><p>after the video</p>"
                                "<p title=\"a > b\">quoted bracket</p><p>x < y</p>")}),
        resources);
    const std::string text = VisibleText(BodyOf(page));
    EXPECT_NE(text.find("after the video"), std::string::npos) << page;
    EXPECT_NE(text.find("quoted bracket"), std::string::npos) << page;
    EXPECT_NE(page.find("x < y"), std::string::npos) << page;
    EXPECT_EQ(page.find("<video"), std::string::npos);
}

TEST(PageBuilderTest, MarkupOnlyInTheHeadIsNotShown)
{
    FakeResources resources;
    const std::string page =
        BuildPage(DocumentOf("", {"<HTML><HEAD><metadata><dc:Title>Hidden title</dc:Title></metadata><GUIDE><REFERENCE "
                       "TYPE=\"text\" HREF=\"main.html\"></GUIDE><hr></HEAD><BODY><p>Shown</p></BODY></HTML>"}),
        resources);
    const std::string body(BodyOf(page));
    EXPECT_EQ(body.find("Hidden title"), std::string::npos) << body;
    EXPECT_EQ(body.find("<hr"), std::string::npos) << body;
    EXPECT_NE(body.find("Shown"), std::string::npos);
}

TEST(PageBuilderTest, LinksBetweenPartsLeadToIdsUniqueInThePageOrBecomeText)
{
    FakeResources resources;
    const std::string page = BuildPage(
        DocumentOf("", {Part("", "<p id=\"note\">First note</p><p><a href=\"part00001.html#note\">to the second</a>, "
                                 "<a href=\"#note\">to the first</a>, <a href=\"part00001.html\">to part two</a>, "
                                 "<a href=\"part00009.html#note\">to no part</a>, <a href=\"#missing\">to no id</a></p>"),
                        Part("", "<p id=\"note\">Second note</p><p><a name=\"old\">old anchor</a> "
                                 "<a href=\"part00000.html#note\">back</a> <a href=\"#old\">to the old anchor</a></p>")}),
        resources);
    for (const char* expected :
         {"<p id=\"note\" style=", "<p id=\"note-2\" style=", "<a href=\"#note-2\">to the second</a>",
          "<a href=\"#note\">to the first</a>", "<a href=\"#part1\">to part two</a>", "<a>to no part</a>",
          "<a>to no id</a>", "<a id=\"old\">old anchor</a>", "<a href=\"#note\">back</a>",
          "<a href=\"#old\">to the old anchor</a>"})
        EXPECT_NE(page.find(expected), std::string::npos) << expected << "\n" << page;
    // The start of a part is marked on its own page, not at the end of the one before.
    const std::vector<std::string_view> pages = PagesOf(page);
    ASSERT_EQ(pages.size(), 2u);
    EXPECT_TRUE(pages[1].starts_with("\n<a id=\"part1\"></a>")) << pages[1];
}

TEST(PageBuilderTest, TableOfContentsKeepsItsNestingAndLeavesOutEntriesThatLeadNowhere)
{
    FakeResources resources;
    PageDocument document = DocumentOf("", {Part("", "<h1 id=\"c1\">One</h1>"), Part("", "<h1 id=\"c2\">Two</h1>")});
    document.toc = {{"Part \u201cOne\u201d & more",
                     "part00000.html",
                     {{"Chapter 1", "part00000.html#c1", {}},
                      {"Lost", "part00000.html#nowhere", {{"Found child", "part00001.html#c2", {}}}},
                      {"", "part00001.html#c2", {}}}},
                    {"Two", "part00001.html#c2", {}}};
    const std::string page = BuildPage(document, resources);
    const std::vector<NavLink> links = NavLinks(page);
    const std::vector<std::tuple<std::string, std::string, int>> expected = {
        {"#part0", "Part \u201cOne\u201d &amp; more", 0}, {"#c1", "Chapter 1", 1}, {"#c2", "Found child", 1}, {"#c2", "Two", 0}};
    ASSERT_EQ(links.size(), expected.size()) << NavOf(page);
    for (std::size_t i = 0; i < links.size(); ++i)
        EXPECT_EQ(std::tie(links[i].href, links[i].label, links[i].depth), expected[i]);
    EXPECT_EQ(page.find("heading-"), std::string::npos) << "no outline of headings beside the book's own";
}

TEST(FileposAnchorsTest, AnchorsGoToTheNextPlaceAndTheElementThatStartsThereTakesTheirId)
{
    const std::string text = "<html><head><title>T</title></head><body><style>p { color: red }</style><p class=\"a\">Caf\xC3\xA9 &amp; "
                             "more <a filepos=\"0000000000\">top</a></p><mbp:pagebreak/><h2>Two</h2></body></html>";
    const struct {
        const char* place;
        std::size_t position;
        std::string anchored;  // with N for the anchor's position
    } cases[] = {
        {"start of a tag", text.find("<h2>"), "<h2 id=\"fileposN\">Two"},
        {"inside a tag", text.find("class"), "<p id=\"fileposN\" class=\"a\">"},
        {"inside a character", text.find("\xA9"), "Caf\xC3\xA9<a id=\"fileposN\"></a> &amp;"},
        {"inside an entity", text.find("amp;"), "&amp;<a id=\"fileposN\"></a> more"},
        {"inside a style sheet", text.find("color"), "<p id=\"fileposN\" class=\"a\">"},
        {"in the head", text.find("<title>"), "<a id=\"fileposN\"></a><style>"},
        {"past the end", 100000, "<a id=\"fileposN\"></a></body>"},
    };
    for (const auto& [place, position, expected] : cases) {
        SCOPED_TRACE(place);
        const std::string anchored = InsertFileposAnchors(text, {static_cast<std::uint32_t>(position)});
        std::string anchor = expected;
        anchor.replace(anchor.find('N'), 1, std::to_string(position));
        EXPECT_NE(anchored.find(anchor), std::string::npos) << anchored;
        // The link of the text itself, to position 0, is anchored at the start of the body.
        EXPECT_NE(anchored.find("<body><a id=\"filepos0\"></a>"), std::string::npos) << anchored;
    }
}

TEST(NcxReaderTest, EntriesKeepTheirNestingAndPlainLabels)
{
    const std::vector<TocEntry> toc = ReadNcx(
        "<?xml version=\"1.0\"?><ncx><docTitle><text>Book</text></docTitle><navMap>"
        "<navPoint id=\"toc-1\"><navLabel><text>Caf&#233; &amp; \n  Bar</text></navLabel><content src=\"part00000.html\"/>"
        "<navPoint id=\"toc-1-1\"><navLabel><text>&quot;Inner&quot;</text></navLabel>"
        "<content src=\"part00000.html#a&amp;b\"/></navPoint></navPoint>"
        "<navPoint id=\"toc-2\"><navLabel><text></text></navLabel><content src=\"part00001.html\"/>"
        "<navPoint id=\"toc-2-1\"><navLabel><text>Orphan</text></navLabel><content src=\"part00001.html#o\"/>"
        "</navPoint></navPoint></navMap></ncx>");
    ASSERT_EQ(toc.size(), 2u);
    EXPECT_EQ(toc[0].label, "Café & Bar");
    EXPECT_EQ(toc[0].target, "part00000.html");
    ASSERT_EQ(toc[0].children.size(), 1u);
    EXPECT_EQ(toc[0].children[0].label, "\"Inner\"");
    EXPECT_EQ(toc[0].children[0].target, "part00000.html#a&b");
    // An entry without a label gives its place to its children.
    EXPECT_EQ(toc[1].label, "Orphan");
    EXPECT_EQ(toc[1].target, "part00001.html#o");
}

namespace {

// Entries in reading order with their depth (1 for the roots).
void Flatten(const std::vector<TocEntry>& entries, std::size_t depth,
             std::vector<std::pair<std::string, std::size_t>>& out)
{
    for (const TocEntry& entry : entries) {
        out.emplace_back(entry.label, depth);
        Flatten(entry.children, depth + 1, out);
    }
}

}  // namespace

TEST(NcxReaderTest, NestingDeeperThanAnyBookIsCutInReadingOrder)
{
    const std::size_t deepest = 60000;
    std::string ncx = "<ncx><navMap>";
    for (std::size_t i = 0; i < deepest; ++i)
        ncx += "<navPoint><navLabel><text>" + std::to_string(i) + "</text></navLabel><content src=\"p.html\"/>";
    for (std::size_t i = 0; i < deepest; ++i) ncx += "</navPoint>";
    ncx += "<navPoint><navLabel><text>after</text></navLabel><content src=\"q.html\"/></navPoint></navMap></ncx>";

    const std::vector<TocEntry> toc = ReadNcx(ncx);
    std::vector<std::pair<std::string, std::size_t>> entries;
    Flatten(toc, 1, entries);
    ASSERT_EQ(entries.size(), deepest + 1);
    for (std::size_t i = 0; i < deepest; ++i) {
        ASSERT_EQ(entries[i].first, std::to_string(i));
        ASSERT_EQ(entries[i].second, std::min(i + 1, kDeepestNcxLevel));
    }
    // The entry after the deep one is a root again.
    EXPECT_EQ(entries.back(), std::make_pair(std::string("after"), std::size_t{1}));
    EXPECT_EQ(toc.size(), 2u);
}

TEST(NcxReaderTest, LabelsWithStrayBytesBecomeValidUtf8)
{
    const struct {
        const char* what;
        std::string text;
        std::string label;
    } cases[] = {
        {"a lone continuation byte", "Chapter \x80 one", "Chapter € one"},
        {"a cut sequence", "Caf\xC3", "CafÃ"},
        {"a byte no sequence starts with", "\xFF end", "ÿ end"},
        {"a control character", "A\x01" "B", "AB"},
        {"a character reference to a control", "A&#1;B", "AB"},
    };
    for (const auto& [what, text, label] : cases) {
        SCOPED_TRACE(what);
        const std::vector<TocEntry> toc = ReadNcx("<ncx><navMap><navPoint><navLabel><text>" + text +
                                                  "</text></navLabel><content src=\"p.html#x\"/></navPoint></navMap></ncx>");
        ASSERT_EQ(toc.size(), 1u);
        EXPECT_TRUE(IsValidUtf8(toc[0].label));
        EXPECT_EQ(toc[0].label, label);
    }
}

TEST(TextEncodingTest, Cp1252BecomesUtf8)
{
    EXPECT_EQ(Cp1252ToUtf8("Caf\xE9 \x80 \x93x\x94 \x9F"), "Café € “x” Ÿ");
    EXPECT_EQ(Cp1252ToUtf8(std::string("a\x81\x00\x1B\tb\r\n", 8)), "a\tb\r\n") << "undefined bytes and controls go";
}

TEST(TextEncodingTest, BrokenUtf8IsRepairedAndValidUtf8Kept)
{
    const std::string valid = "Zażółć gęślą jaźń — 日本語 🙂";
    EXPECT_EQ(SanitizeUtf8(valid), valid);
    // Stray Windows-1252 bytes in a UTF-8 book, an overlong form, a lone
    // surrogate, a sequence cut off at the end, a NUL.
    const std::string broken = std::string("caf\xE9 \xC0\xAF \xED\xA0\x80 x", 13) + std::string("\0", 1) + "\xE2\x82";
    const std::string repaired = SanitizeUtf8(broken);
    EXPECT_TRUE(IsValidUtf8(repaired)) << repaired;
    EXPECT_TRUE(repaired.starts_with("café ")) << repaired;
    EXPECT_EQ(repaired.find('\0'), std::string::npos);
}

}  // namespace
