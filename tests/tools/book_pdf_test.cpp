// The renderer's PDFs as a reader finds them: an outline and links that lead
// to the right pages, the book's document information, its cover as the
// first page, and the type and margins of a printed book. Books go through
// bin/core/mobi2html and bin/core/wkhtmltopdf as the program runs them.
#include "html_tokens.h"
#include "page_checks.h"
#include "pdf_checks.h"
#include "run_program.h"
#include "run_renderer.h"
#include "section_books.h"
#include "temp_dir.h"
#include "test_books.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <map>
#include <set>
#include <ostream>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

const fs::path kSamples = CORVALE_SAMPLES_DIR;
const fs::path kCore = fs::path(CORVALE_BIN_DIR) / "core";

struct PageMm {
    int width = 0;
    int height = 0;
};
constexpr PageMm kA4{210, 297};
constexpr PageMm kA6{105, 148};

constexpr double kPointsPerMm = 72 / 25.4;

class BookPdf : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_FALSE(m_temp.path().empty());
        m_folder = m_temp / "Bücher 'x' $y";
        fs::create_directories(m_folder / "html");
    }

    fs::path Html() const { return m_folder / "html"; }

    // Unpacks `book` with mobi2html into the html folder, emptied first; the
    // page it wrote.
    fs::path Unpack(const fs::path& book)
    {
        fs::remove_all(Html());
        const ProgramResult result = RunProgram((kCore / "mobi2html").string(), {book.string(), Html().string()});
        EXPECT_EQ(result.exitCode, 0) << result.errorOutput;
        return Html() / (book.stem().string() + ".html");
    }

    fs::path Unpack(const MobiBook& book, const std::string& name)
    {
        const fs::path file = m_folder / name;
        EXPECT_TRUE(WriteMobiBook(file, book));
        return Unpack(file);
    }

    fs::path UnpackSample(const std::string& name)
    {
        fs::copy_file(kSamples / name, m_folder / name, fs::copy_options::overwrite_existing);
        return Unpack(m_folder / name);
    }

    // Renders `page` into the PDF `name` beside the html folder, as the
    // program does, with `extra` options of the renderer's own. No PDF may
    // carry a path of the work folder or a link to a local file.
    fs::path Render(const fs::path& page, PageMm size = kA4, const std::vector<std::string>& extra = {},
                    const std::string& name = "book.pdf")
    {
        const fs::path pdf = m_folder / name;
        const ProgramResult result = RunRenderer(kCore / "wkhtmltopdf", size.width, size.height, page, pdf, extra);
        EXPECT_EQ(result.exitCode, 0) << result.errorOutput;
        EXPECT_EQ(PdfLocalTraces(pdf, {m_temp.path().filename().string()}), "");
        return pdf;
    }

    TempDir m_temp;
    fs::path m_folder;
};

// ---- outline ----

struct OutlineCase {
    const char* name;
    const char* sample;  // empty: a book of the MOBI writer with headings and no table of contents
    bool pieces;         // rendered in pieces of a page each
};

void PrintTo(const OutlineCase& param, std::ostream* out) { *out << param.name; }

class BookOutline : public BookPdf, public ::testing::WithParamInterface<OutlineCase> {};

TEST_P(BookOutline, EntriesKeepTheirLabelsAndNestingAndOpenThePageOfTheirTarget)
{
    const fs::path page = *GetParam().sample ? UnpackSample(GetParam().sample)
                                             : Unpack(MakeChapterBook(4), "headings.mobi");
    const std::string html = ReadTextFile(page);
    const std::vector<NavLink> expected = NavLinks(html);
    ASSERT_FALSE(expected.empty()) << NavOf(html);
    const fs::path pdf = Render(page, kA4, GetParam().pieces ? std::vector<std::string>{"--piece-kb", "1"}
                                                             : std::vector<std::string>{});

    const std::vector<PdfOutlineEntry> outline = PdfOutline(pdf);
    ASSERT_EQ(outline.size(), expected.size());
    for (std::size_t i = 0; i < outline.size(); ++i) {
        SCOPED_TRACE(outline[i].title);
        EXPECT_EQ(outline[i].title, DecodeHtmlEntities(expected[i].label));
        EXPECT_EQ(outline[i].depth, expected[i].depth);
        ASSERT_GT(outline[i].page, 0);
        EXPECT_NE(Squeezed(PdfPageText(pdf, outline[i].page)).find(WordsAfter(html, expected[i].href.substr(1), 16)),
                  std::string::npos);
    }
    EXPECT_EQ(PdfInfo(pdf)["PageMode"], "UseOutlines");
}

INSTANTIATE_TEST_SUITE_P(Books, BookOutline,
                         ::testing::Values(OutlineCase{"UnicodeHuffdicNcx", "sample-unicode-huffdic.mobi", false},
                                           OutlineCase{"MultimediaNcx", "sample-multimedia.mobi", false},
                                           OutlineCase{"TextreadHeadings", "sample-textread.mobi", false},
                                           OutlineCase{"WriterBookHeadings", "", false},
                                           OutlineCase{"WriterBookHeadingsInPieces", "", true}),
                         [](const auto& info) { return std::string(info.param.name); });

// ---- outline entries inside chapters ----

struct SectionOutlineCase {
    const char* name;
    MobiBook (*make)(int chapters, int sections, int paragraphs);
    bool pieces;
    bool contentsLinks;  // the book opens with a page of links to every section
};

void PrintTo(const SectionOutlineCase& param, std::ostream* out) { *out << param.name; }

class SectionOutline : public BookPdf, public ::testing::WithParamInterface<SectionOutlineCase> {};

// Entries that lead into the middle of a chapter open the page of their own
// heading, not that of the chapter: the page is the last that shows the
// heading's words (a contents page may show them first). So do the links
// of a contents page.
TEST_P(SectionOutline, EveryEntryAndContentsLinkOpensThePageOfItsHeading)
{
    // Sections of eight paragraphs each run over more than a page.
    const fs::path pdf = Render(Unpack(GetParam().make(2, 3, 8), "sections.mobi"), kA4,
                                GetParam().pieces ? std::vector<std::string>{"--piece-kb", "8"} : std::vector<std::string>{});
    std::vector<std::string> pages;
    for (int page = 1; page <= static_cast<int>(PdfPageSizes(pdf).size()); ++page)
        pages.push_back(Squeezed(PdfPageText(pdf, page)));

    const std::vector<PdfOutlineEntry> outline = PdfOutline(pdf);
    ASSERT_EQ(outline.size(), 8u);
    std::set<int> headingPages;
    for (const PdfOutlineEntry& entry : outline) {
        SCOPED_TRACE(entry.title);
        int headingPage = 0;
        for (std::size_t page = 0; page < pages.size(); ++page)
            if (pages[page].find(Squeezed(entry.title)) != std::string::npos) headingPage = static_cast<int>(page) + 1;
        EXPECT_EQ(entry.page, headingPage);
        headingPages.insert(headingPage);
    }
    // A chapter shares its page with its first section only.
    EXPECT_EQ(headingPages.size(), 6u);

    // The links of a contents page lead where the sections' entries do.
    if (!GetParam().contentsLinks) return;
    std::vector<int> sectionPages, destinations;
    for (const PdfOutlineEntry& entry : outline)
        if (entry.depth == 1) sectionPages.push_back(entry.page);
    for (const PdfLink& link : PdfLinks(pdf))
        if (link.page == 1) destinations.push_back(link.destination);
    EXPECT_EQ(destinations, sectionPages);
}

INSTANTIATE_TEST_SUITE_P(Books, SectionOutline,
                         ::testing::Values(SectionOutlineCase{"Kf8", MakeKf8SectionsBook, false, true},
                                           SectionOutlineCase{"Kf8InPieces", MakeKf8SectionsBook, true, true},
                                           SectionOutlineCase{"Kf7", MakeKf7SectionsBook, false, false}),
                         [](const auto& info) { return std::string(info.param.name); });

// ---- links ----

class ContentsLinks : public BookPdf, public ::testing::WithParamInterface<bool> {};

TEST_P(ContentsLinks, EveryEntryOfTheContentsPageOpensItsChapter)
{
    constexpr int kChapters = 4;
    const fs::path pdf = Render(Unpack(MakeContentsBook(kChapters), "contents.mobi"), kA4,
                                GetParam() ? std::vector<std::string>{"--piece-kb", "1"} : std::vector<std::string>{});
    std::vector<int> destinations;
    for (const PdfLink& link : PdfLinks(pdf)) {
        EXPECT_TRUE(link.uri.empty()) << link.uri;
        EXPECT_EQ(link.page, 1);
        destinations.push_back(link.destination);
    }
    ASSERT_EQ(destinations.size(), std::size_t{kChapters});
    for (int chapter = 1; chapter <= kChapters; ++chapter) {
        SCOPED_TRACE(chapter);
        const std::string text = PdfPageText(pdf, destinations[chapter - 1]);
        EXPECT_NE(text.find(ChapterHeading(chapter) + "\n"), std::string::npos) << text;
        EXPECT_NE(text.find("first paragraph of chapter " + std::to_string(chapter) + "."), std::string::npos);
    }
}

INSTANTIATE_TEST_SUITE_P(Render, ContentsLinks, ::testing::Values(false, true),
                         [](const auto& info) { return info.param ? "InPieces" : "Whole"; });

TEST_F(BookPdf, LinksWhoseTargetLandedNowhereBecomeTextAndWebLinksStay)
{
    const std::string page =
        "<!DOCTYPE html>\n<html>\n<head>\n<meta charset=\"utf-8\">\n<title></title>\n</head>\n<body>\n"
        "<nav id=\"corvale-toc\" hidden style=\"display:none\"><ol><li><a href=\"#there\">There</a></li>"
        "<li><a href=\"#hidden\">Hidden</a></li><li><a href=\"#last\">L&auml;st &mdash;\n <b>東京</b></a></li></ol></nav>\n"
        "<p><a href=\"#nowhere\">Lost link</a>, <a href=\"#hidden\">hidden link</a>, <a href=\"#there\">found "
        "link</a>, <a href=\"other.html#there\">other file</a>, <a href=\"https://example.org/\">web</a> and "
        "<a href=\"mailto:someone@example.org\">mail</a>.</p>\n<div style=\"display:none\"><p id=\"hidden\">Hidden "
        "words</p></div>\n<div style=\"page-break-before:always\"></div>\n<h2 id=\"there\">There</h2>\n"
        "<div style=\"page-break-before:always\"></div>\n<h2 id=\"last\">Last</h2>\n</body>\n</html>\n";
    ASSERT_TRUE(WriteTextFile(Html() / "page.html", page));
    const fs::path pdf = Render(Html() / "page.html");

    std::vector<std::pair<std::string, int>> links;
    for (const PdfLink& link : PdfLinks(pdf)) {
        EXPECT_EQ(link.page, 1);
        links.emplace_back(link.uri, link.destination);
    }
    std::sort(links.begin(), links.end());
    const std::vector<std::pair<std::string, int>> expected = {
        {"", 2}, {"https://example.org/", 0}, {"mailto:someone@example.org", 0}};
    EXPECT_EQ(links, expected);
    const std::string text = PdfText(pdf);
    for (const char* words : {"Lost link", "hidden link", "other file"}) EXPECT_NE(text.find(words), std::string::npos);
    // The entry whose target is hidden opens the page of the next entry;
    // labels are the text of their link.
    std::vector<std::pair<std::string, int>> outline;
    for (const PdfOutlineEntry& entry : PdfOutline(pdf)) outline.emplace_back(entry.title, entry.page);
    EXPECT_EQ(outline,
              (std::vector<std::pair<std::string, int>>{{"There", 2}, {"Hidden", 3}, {"Läst — 東京", 3}}));
}

TEST_F(BookPdf, MarkersOfTargetsMoveNoWord)
{
    // Targets of every kind, led to by the hidden table of contents alone,
    // so that the page without its entries shows the same words.
    const std::string ids[] = {"drop", "list", "item", "code", "cell", "outer", "inner", "mid", "rule", "title",
                               "picture", "anchor"};
    std::string nav = "<nav id=\"corvale-toc\" hidden style=\"display:none\"><ol>";
    for (const std::string& id : ids) nav += "<li><a href=\"#" + id + "\">" + id + "</a></li>";
    nav += "</ol></nav>\n";
    const std::string head =
        "<!DOCTYPE html>\n<html>\n<head>\n<meta charset=\"utf-8\">\n<title></title>\n<style>\n"
        "p.d::first-letter { font-size: 3em; float: left } h2 { clear: both }\n</style>\n</head>\n<body>\n";
    std::string body = "<p>A first paragraph long enough to wrap onto a second line of the page, with more words "
                       "after it and more.</p>\n<a id=\"anchor\"></a>\n<p class=\"d\" id=\"drop\">Dropped capital "
                       "opens this paragraph.</p>\n<ul id=\"list\"><li id=\"item\">one</li><li>two</li></ul>\n"
                       "<pre id=\"code\">\nline one\nline two</pre>\n<table><tr><td id=\"cell\">cell</td></tr></table>"
                       "\n<div id=\"outer\"><div><p id=\"inner\">Nested <span id=\"mid\">middle</span> words</p></div></div>"
                       "\n<hr id=\"rule\">\n<h2 id=\"title\">Heading</h2>\n<img id=\"picture\" src=\"none.png\" width=\"20\" "
                       "height=\"20\"><p>The end.</p>\n</body>\n</html>\n";
    ASSERT_TRUE(WriteTextFile(Html() / "marked.html", head + nav + body));
    ASSERT_TRUE(WriteTextFile(Html() / "plain.html", head + "<nav id=\"corvale-toc\" hidden style=\"display:none\"></nav>\n" + body));
    const fs::path marked = Render(Html() / "marked.html", kA4, {}, "marked.pdf");
    const fs::path plain = Render(Html() / "plain.html", kA4, {}, "plain.pdf");
    ASSERT_EQ(PdfOutline(marked).size(), std::size(ids)) << "every target landed";

    const auto boxes = [](const fs::path& pdf) {
        std::vector<std::string> words;
        char box[160];
        for (const PdfWord& word : PdfWords(pdf)) {
            std::snprintf(box, sizeof box, "%d %.2f %.2f %.2f %.2f ", word.page, word.xMin, word.yMin, word.xMax,
                          word.yMax);
            words.push_back(box + word.text);
        }
        return words;
    };
    EXPECT_EQ(boxes(marked), boxes(plain));
}

// ---- document information ----

TEST_F(BookPdf, DocumentInformationIsTheBooksOwn)
{
    const MobiBook full = MakeDescribedBook("Die Bücher „Zeichen“ <Ära> 東京", "Jean-Paul Sartre");
    const MobiBook plain = MakePlainBook();

    const struct {
        MobiBook book;
        std::map<std::string, std::string> info;
    } cases[] = {
        {full,
         {{"Title", full.title},
          {"Author", "Anaïs Nin & Jean-Paul Sartre"},
          {"Subject", full.subject},
          {"Lang", "fr"},
          {"Producer", "Corvale 1.0"},
          {"Creator", "Corvale 1.0"}}},
        // The writer's header names English as the book's locale.
        {plain, {{"Title", "Plain"}, {"Lang", "en"}, {"Producer", "Corvale 1.0"}, {"Creator", "Corvale 1.0"}}},
    };
    for (const auto& [book, expected] : cases) {
        SCOPED_TRACE(book.title);
        std::map<std::string, std::string> info = PdfInfo(Render(Unpack(book, "info.mobi")));
        info.erase("CreationDate");
        info.erase("ModDate");
        info.erase("PageMode");
        EXPECT_EQ(info, expected);
    }
}

// ---- cover ----

TEST_F(BookPdf, CoverIsTheFirstPageOnceFittedToThePage)
{
    const struct {
        const char* name;
        int width, height;  // of the cover picture, in pixels
        const char* body;
        PageMm page;
        bool coverPage;     // a page of its own before the text
    } cases[] = {
        {"wide cover apart from the text", 120, 60, "<p>Words first.</p>", kA4, true},
        {"tall cover on a small page", 60, 150, "<p>Words first.</p>", kA6, true},
        {"text starts with its cover", 120, 60, "<p><img recindex=\"00001\" /></p><p>Words first.</p>", kA4, false},
    };
    for (const auto& [name, width, height, body, size, coverPage] : cases) {
        SCOPED_TRACE(name);
        MobiBook book;
        book.title = name;
        book.html = std::string("<html><head></head><body>") + body + "</body></html>";
        book.images = {MakeSolidGif(width, height, 200, 30, 40)};
        book.coverOffset = 0;
        const fs::path pdf = Render(Unpack(book, "cover.mobi"), size);

        EXPECT_EQ(PdfImageSizes(pdf).size(), 1u) << "the cover is shown once";
        const auto pages = PdfPageSizes(pdf);
        ASSERT_EQ(pages.size(), coverPage ? 2u : 1u);
        EXPECT_EQ(Squeezed(PdfPageText(pdf, 1)).empty(), coverPage);
        EXPECT_NE(PdfPageText(pdf, static_cast<int>(pages.size())).find("Words first."), std::string::npos);
        if (!coverPage) continue;
        // As large as the page allows, its proportions kept, centred.
        const auto [pageWidth, pageHeight] = pages.front();
        const std::optional<PdfBox> box = PdfInkBox(pdf, 1);
        ASSERT_TRUE(box);
        const double shownWidth = box->right - box->left, shownHeight = box->bottom - box->top;
        EXPECT_TRUE(std::abs(shownWidth - pageWidth) <= 2 || std::abs(shownHeight - pageHeight) <= 2)
            << shownWidth << " x " << shownHeight;
        EXPECT_NEAR(shownWidth / shownHeight, double(width) / height, 0.05);
        EXPECT_NEAR(box->left, pageWidth - box->right, 2);
        EXPECT_NEAR(box->top, pageHeight - box->bottom, 2);
    }
}

// ---- type and margins ----

// A book with long paragraphs, and what would make the renderer shrink the
// whole book to fit: a code listing of long lines the book keeps from
// wrapping, a picture and a word wider than the page, and text the book
// sets at 6 pixels.
MobiBook PrintedBook()
{
    MobiBook book;
    book.title = "Printed";
    book.html = "<html><head></head><body><h1>Printed</h1>";
    for (int paragraph = 0; paragraph < 12; ++paragraph) {
        book.html += "<p>";
        for (int sentence = 0; sentence < 8; ++sentence)
            book.html += "The printed page keeps its margins and its readable type in every sentence. ";
        book.html += "</p>";
    }
    book.html += "<pre style=\"white-space: pre\">";
    for (int word = 0; word < 40; ++word) book.html += "codeword(" + std::to_string(word) + "); ";
    book.html += "</pre><p><img recindex=\"00001\" width=\"3000\"></p><p><a href=\"https://example.org/\">" +
                 std::string(150, 'w') + "</a></p><p style=\"font-size: 6px\">Tinyword Tinyword Tinyword</p>";
    book.html += "</body></html>";
    book.images = {MakeCheckerGif(64, 32)};
    return book;
}

struct TypeCase {
    const char* name;
    PageMm page;
    double leastBody, mostBody;       // height of a body word's box in points
    double leastMargin, mostMargin;   // left and top, in points
};

void PrintTo(const TypeCase& param, std::ostream* out) { *out << param.name; }

class BookType : public BookPdf, public ::testing::WithParamInterface<TypeCase> {};

TEST_P(BookType, BodyTextAndMarginsOfAPrintedBookWhateverTheBookHolds)
{
    const TypeCase& type = GetParam();
    const fs::path pdf = Render(Unpack(PrintedBook(), "printed.mobi"), type.page);
    const std::vector<PdfWord> words = PdfWords(pdf);
    ASSERT_FALSE(words.empty());
    const double width = type.page.width * kPointsPerMm, height = type.page.height * kPointsPerMm;

    std::map<long, int> heights;  // in hundredths of a point
    double left = width, top = height, right = 0, bottom = 0, code = 0, tiny = 0;
    for (const PdfWord& word : words) {
        const double wordHeight = word.yMax - word.yMin;
        ++heights[std::lround(wordHeight * 100)];
        left = std::min(left, word.xMin);
        top = std::min(top, word.yMin);
        right = std::max(right, word.xMax);
        bottom = std::max(bottom, word.yMax);
        if (word.text.starts_with("codeword")) code = wordHeight;
        if (word.text == "Tinyword") tiny = wordHeight;
    }
    const double body =
        std::max_element(heights.begin(), heights.end(), [](auto& a, auto& b) { return a.second < b.second; })->first /
        100.0;
    EXPECT_GE(body, type.leastBody);
    EXPECT_LE(body, type.mostBody);
    EXPECT_GE(code, body * 0.8) << "code stays readable";
    EXPECT_GE(tiny, body * 0.7) << "tiny text is raised to a readable size";
    // Nothing runs into the margins; the text starts at the margin.
    EXPECT_GE(left, type.leastMargin);
    EXPECT_LE(left, type.mostMargin);
    EXPECT_GE(top, type.leastMargin);
    EXPECT_LE(top, type.mostMargin);
    EXPECT_LE(right, width - type.leastMargin);
    EXPECT_LE(bottom, height - type.leastMargin);
}

// On A4 about 12-point text and margins of 15 to 20 mm with the body's own
// 8 pixels; on A6 both smaller.
INSTANTIATE_TEST_SUITE_P(Pages, BookType,
                         ::testing::Values(TypeCase{"A4", kA4, 11.5, 16, 40, 20 * kPointsPerMm + 8},
                                           TypeCase{"A6", kA6, 8.5, 11.5, 17, 12 * kPointsPerMm}),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
