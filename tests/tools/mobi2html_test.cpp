// mobi2html run on real books (the samples) and on books made for the test:
// the page it writes, the images beside it, and how it fails.
#include "page_checks.h"
#include "run_program.h"

#include "mobi_writer.h"
#include "sanitizer_build.h"
#include "temp_dir.h"
#include "test_books.h"

#include <gtest/gtest.h>

#include <mobi.h>

#include <cstdint>
#include <cstdio>
#include <optional>
#include <tuple>
#include <filesystem>
#include <fstream>
#include <set>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

const fs::path kSamples = CORVALE_SAMPLES_DIR;
const std::string kMobi2Html = (fs::path(CORVALE_BIN_DIR) / "core" / "mobi2html").string();

struct Conversion {
    ProgramResult result;
    fs::path page;        // where the page is expected
    std::string html;     // its text, empty when it was not written
};

class Mobi2HtmlTest : public ::testing::Test {
protected:
    fs::path Output() const { return m_temp / "out"; }

    // Copies a sample into the test's folder and converts the copy.
    Conversion ConvertSample(const std::string& sample)
    {
        const fs::path copy = m_temp / sample;
        fs::copy_file(kSamples / sample, copy, fs::copy_options::overwrite_existing);
        return Convert(copy, Output());
    }

    Conversion Convert(const fs::path& book, const fs::path& output)
    {
        Conversion conversion;
        conversion.result = RunProgram(kMobi2Html, {book.string(), output.string()});
        conversion.page = output / book.filename().replace_extension(".html");
        if (fs::is_regular_file(conversion.page)) conversion.html = ReadTextFile(conversion.page);
        return conversion;
    }

    fs::path WriteBook(const std::string& name, const MobiBook& book) const
    {
        const fs::path file = m_temp / name;
        EXPECT_TRUE(WriteMobiBook(file, book));
        return file;
    }

    // Every file below the output folder, relative to it.
    std::vector<std::string> OutputFiles() const
    {
        std::vector<std::string> files;
        std::error_code error;
        for (auto it = fs::recursive_directory_iterator(Output(), error); !error && it != fs::recursive_directory_iterator();
             it.increment(error))
            if (it->is_regular_file()) files.push_back(fs::relative(it->path(), Output()).string());
        return files;
    }

    TempDir m_temp;
};

std::string FileStart(const fs::path& file, std::size_t length)
{
    std::ifstream in(file, std::ios::binary);
    std::string bytes(length, '\0');
    in.read(bytes.data(), static_cast<std::streamsize>(length));
    bytes.resize(static_cast<std::size_t>(in.gcount()));
    return bytes;
}

// What every page must be, whatever the book.
void ExpectSoundPage(const Conversion& conversion)
{
    EXPECT_EQ(conversion.result.exitCode, 0) << conversion.result.errorOutput;
    EXPECT_EQ(conversion.result.errorOutput, "");
    ASSERT_FALSE(conversion.html.empty()) << "no page at " << conversion.page;
    const std::string& html = conversion.html;

    EXPECT_TRUE(IsValidUtf8(html));
    EXPECT_NE(html.find("<meta charset=\"utf-8\">"), std::string::npos);
    EXPECT_EQ(CountOf(html, "charset="), 1u) << "the book's own charset declaration must go";

    for (const char* banned : {"<script", "<audio", "<video", "<source", "<embed", "<object", "recindex", "filepos=",
                               "mbp:", "kindle:"})
        EXPECT_EQ(html.find(banned), std::string::npos) << banned;

    // Every id once; every link leads to one of them, or to the outside.
    const std::vector<std::string> ids = AttributeValues(html, "id");
    const std::set<std::string> uniqueIds(ids.begin(), ids.end());
    EXPECT_EQ(uniqueIds.size(), ids.size()) << "ids must be unique in the page";
    for (const std::string& href : AttributeValues(html, "href")) {
        if (href.starts_with("#"))
            EXPECT_TRUE(uniqueIds.count(href.substr(1))) << href << " leads nowhere";
        else
            EXPECT_TRUE(href.starts_with("http://") || href.starts_with("https://") || href.starts_with("mailto:")) << href;
    }
    EXPECT_NE(html.find(kNavStart), std::string::npos) << "the table of contents must open the body";
    if (const std::string cover = MetaContent(html, "corvale-cover"); !cover.empty()) {
        EXPECT_TRUE(fs::is_regular_file(conversion.page.parent_path() / cover)) << cover;
    }

    // Every picture is a file beside the page, named by a relative path.
    for (const std::string& source : AttributeValues(html, "src")) {
        EXPECT_FALSE(fs::path(source).is_absolute()) << source;
        EXPECT_TRUE(fs::is_regular_file(conversion.page.parent_path() / source)) << source;
    }

    // No empty page at the start or at the end, nor between two breaks.
    for (const std::string_view piece : PagesOf(html)) EXPECT_TRUE(HasVisibleText(piece)) << "a page without text";

    EXPECT_FALSE(fs::exists(conversion.page.string() + ".part"));
}

void ExpectFailureWithoutPage(const Conversion& conversion)
{
    EXPECT_NE(conversion.result.exitCode, 0);
    EXPECT_NE(conversion.result.exitCode, -1) << "mobi2html crashed";
    const std::string& message = conversion.result.errorOutput;
    EXPECT_FALSE(message.empty());
    EXPECT_EQ(CountOf(message, "\n"), 1u) << message;
    EXPECT_TRUE(message.starts_with("mobi2html: ")) << message;
    EXPECT_FALSE(fs::exists(conversion.page));
}

// ---- the sample books ----

class SampleBookTest : public Mobi2HtmlTest, public ::testing::WithParamInterface<const char*> {};

TEST_P(SampleBookTest, BecomesOneUtf8PageWithAllItsTextInReadingOrder)
{
    const Conversion conversion = ConvertSample(GetParam());
    ExpectSoundPage(conversion);
    const std::string text = VisibleText(BodyOf(conversion.html));

    // The first part's opening words, the picture's caption, and the last
    // lines of the header listing that ends every sample, in this order.
    const std::size_t opening = text.find("This is a sample for testing libmobi project.");
    const std::size_t author = text.find("Libmobi's author is Bartek Fabiszewski");
    const std::size_t listing = text.find("mobi_write_file");
    ASSERT_NE(opening, std::string::npos);
    ASSERT_NE(author, std::string::npos);
    ASSERT_NE(listing, std::string::npos);
    EXPECT_LT(opening, author);
    EXPECT_LT(author, listing);

    // Its one picture is there, as a file of the page.
    EXPECT_EQ(AttributeValues(conversion.html, "src").size(), 1u);
}

INSTANTIATE_TEST_SUITE_P(Samples, SampleBookTest,
                         ::testing::Values("sample-textread.mobi", "sample-cp1252.mobi", "sample-unicode-huffdic.mobi",
                                           "sample-multimedia.mobi"),
                         [](const ::testing::TestParamInfo<const char*>& info) {
                             std::string name = fs::path(info.param).stem().string();
                             std::erase(name, '-');
                             return name;
                         });

TEST_F(Mobi2HtmlTest, MultimediaBookKeepsItsJpegAndDropsSoundAndFilm)
{
    const Conversion conversion = ConvertSample("sample-multimedia.mobi");
    ExpectSoundPage(conversion);

    const std::vector<std::string> sources = AttributeValues(conversion.html, "src");
    ASSERT_EQ(sources.size(), 1u);
    EXPECT_TRUE(sources[0].starts_with("images/")) << sources[0];
    EXPECT_TRUE(sources[0].ends_with(".jpg")) << sources[0];
    EXPECT_EQ(FileStart(Output() / sources[0], 3), "\xFF\xD8\xFF");

    // Only the pictures are written (the one in the text, and the cover);
    // sound and film files are not.
    EXPECT_EQ(MetaContent(conversion.html, "corvale-cover"), "images/image00003.jpg");
    EXPECT_EQ(OutputFiles(), (std::vector<std::string>{sources[0], "images/image00003.jpg", "sample-multimedia.html"}))
        << "unexpected files beside the page";
    EXPECT_EQ(conversion.html.find(".mp3"), std::string::npos);
    EXPECT_EQ(conversion.html.find(".mpg"), std::string::npos);
    EXPECT_NE(conversion.html.find("This is test video"), std::string::npos);
    EXPECT_NE(conversion.html.find("This is test audio"), std::string::npos);
}

TEST_F(Mobi2HtmlTest, Kf7PageBreakSeparatesTheListingAndTheLastIsDropped)
{
    // The book has a page break after its introduction and one more at its very end.
    const Conversion conversion = ConvertSample("sample-cp1252.mobi");
    ExpectSoundPage(conversion);
    const std::vector<std::string_view> pages = PagesOf(conversion.html);
    ASSERT_EQ(pages.size(), 2u);
    EXPECT_NE(pages[0].find("github repo"), std::string_view::npos);
    EXPECT_NE(pages[1].find("mobi_write_file"), std::string_view::npos);
}

TEST_F(Mobi2HtmlTest, HybridBookIsReadFromItsKf8PartsWithABreakBetweenThem)
{
    const Conversion conversion = ConvertSample("sample-unicode-huffdic.mobi");
    ExpectSoundPage(conversion);
    // The KF8 half styles the listing with CSS, the KF7 half with old attributes.
    EXPECT_NE(conversion.html.find("border:solid gray"), std::string::npos);
    EXPECT_EQ(conversion.html.find("border=\"1\""), std::string::npos);
    const std::vector<std::string_view> pages = PagesOf(conversion.html);
    ASSERT_EQ(pages.size(), 2u);
    EXPECT_NE(pages[0].find("github repo"), std::string_view::npos);
    EXPECT_NE(pages[1].find("mobi_write_file"), std::string_view::npos);
}

TEST_F(Mobi2HtmlTest, OldTextBookKeepsItsBitmapAndHidesItsHead)
{
    const Conversion conversion = ConvertSample("sample-textread.mobi");
    ExpectSoundPage(conversion);
    const std::vector<std::string> sources = AttributeValues(conversion.html, "src");
    ASSERT_EQ(sources.size(), 1u);
    EXPECT_TRUE(sources[0].ends_with(".bmp")) << sources[0];
    EXPECT_EQ(FileStart(Output() / sources[0], 2), "BM");
    // The metadata that such books keep in their head is not shown.
    EXPECT_EQ(conversion.html.find("dc-metadata"), std::string::npos);
    EXPECT_EQ(conversion.html.find("EmbeddedCover>"), std::string::npos);
}

// ---- books made for the test ----

TEST_F(Mobi2HtmlTest, GifPicturesStayGifsAndNonAsciiTextSurvives)
{
    const std::vector<unsigned char> gif = MakeCheckerGif(16, 8);
    const fs::path book = m_temp / "chapters.mobi";
    ASSERT_TRUE(WriteChapterBook(book, 3, {gif, gif}));
    const Conversion conversion = Convert(book, Output());
    ExpectSoundPage(conversion);

    EXPECT_EQ(AttributeValues(conversion.html, "src"),
              (std::vector<std::string>{"images/image00001.gif", "images/image00002.gif"}));
    EXPECT_EQ(FileStart(Output() / "images/image00001.gif", 6), "GIF89a");
    EXPECT_EQ(fs::file_size(Output() / "images/image00002.gif"), gif.size());

    // Three chapters, each on its own page.
    const std::vector<std::string_view> pages = PagesOf(conversion.html);
    ASSERT_EQ(pages.size(), 3u);
    for (int chapter = 1; chapter <= 3; ++chapter) {
        const std::string_view page = pages[static_cast<std::size_t>(chapter - 1)];
        EXPECT_NE(page.find(ChapterHeading(chapter)), std::string_view::npos);
        EXPECT_NE(page.find("A naïve reader in a Café"), std::string_view::npos);
        EXPECT_NE(page.find("Grüße"), std::string_view::npos);
    }
}

// The MOBI writer writes UTF-8 books; a Windows-1252 book is the same with
// the encoding field of the MOBI header (offset 28 of record 0) changed.
void MarkAsCp1252(const fs::path& file) { ASSERT_TRUE(PatchRecord0(file, 28, BigEndian32(1252))); }

TEST_F(Mobi2HtmlTest, Cp1252TextIsWrittenAsUtf8)
{
    MobiBook book;
    book.title = "Code page book";
    book.html = "<html><head></head><body><p>Caf\xE9 na\xEFve \x93quoted\x94 costs 5 \x80 \x96 Stra\xDF" "e</p></body></html>";
    const fs::path file = WriteBook("cp1252.mobi", book);
    MarkAsCp1252(file);

    const Conversion conversion = Convert(file, Output());
    ExpectSoundPage(conversion);
    EXPECT_NE(conversion.html.find("Café naïve “quoted” costs 5 € – Straße"), std::string::npos);
}

TEST_F(Mobi2HtmlTest, ScriptsAndNetworkReferencesAreRemovedAndInnerLinksKept)
{
    MobiBook book;
    book.title = "Hostile book";
    book.html =
        "<html><head><script>alert('head')</script></head><body>"
        "<mbp:pagebreak/><mbp:pagebreak/>"
        "<p id=\"top\">Opening words.<script type=\"text/javascript\">document.write('injected')</script></p>"
        "<p><img src=\"http://tracker.example/pixel.gif\" alt=\"pixel\"/>After the pixel.</p>"
        "<p style=\"background: url(http://tracker.example/bg.png) no-repeat\">Styled paragraph.</p>"
        "<link rel=\"stylesheet\" href=\"https://tracker.example/style.css\"/>"
        "<p><a filepos=\"0000000010\">inner link</a> and <a href=\"#top\">anchor link</a> and "
        "<a href=\"javascript:alert(1)\">script link</a> and <a href=\"https://example.org/\">outside link</a> and "
        "<a href=\"mailto:someone@example.org\">mail link</a></p>"
        "<object data=\"movie.swf\"><p>fallback text</p></object>"
        "<iframe src=\"http://tracker.example/frame\"></iframe>"
        "<p onclick=\"alert(2)\">Closing words.</p>"
        "<mbp:pagebreak/></body></html>";
    const Conversion conversion = Convert(WriteBook("hostile.mobi", book), Output());
    ExpectSoundPage(conversion);
    const std::string& html = conversion.html;

    for (const char* gone : {"alert", "injected", "tracker.example", "javascript", "movie.swf", "fallback text",
                             "onclick", "<link"})
        EXPECT_EQ(html.find(gone), std::string::npos) << gone;
    const std::string text = VisibleText(BodyOf(html));
    for (const char* kept : {"Opening words.", "After the pixel.", "Styled paragraph.", "inner link", "anchor link",
                             "script link", "outside link", "mail link", "Closing words."})
        EXPECT_NE(text.find(kept), std::string::npos) << kept;
    // The links into the book lead into the page (the filepos one, which
    // points into the head, to the start of the text).
    EXPECT_EQ(AttributeValues(html, "href"),
              (std::vector<std::string>{"#filepos10", "#top", "https://example.org/", "mailto:someone@example.org"}));
    EXPECT_LT(html.find("<a id=\"filepos10\"></a>"), html.find("Opening words."));
    // Breaks before and after everything would only make empty pages.
    EXPECT_EQ(PagesOf(html).size(), 1u);
}

TEST_F(Mobi2HtmlTest, MakesTheOutputFolderAndTakesAnyFileName)
{
    const fs::path folder = m_temp / "Bücher 'mit' \"Zeichen\" $HOME";
    fs::create_directories(folder);
    const fs::path book = folder / "Крутой роман (2).mobi";
    fs::copy_file(kSamples / "sample-cp1252.mobi", book);
    const fs::path output = folder / "neu" / "und tief";

    const Conversion conversion = Convert(book, output);
    ExpectSoundPage(conversion);
    EXPECT_EQ(conversion.page.filename().string(), "Крутой роман (2).html");
}

// ---- what the page tells the renderer ----

// Which piece of the body (between page breaks) holds `what`; -1 for none.
int PageHolding(const std::string& html, std::string_view what)
{
    const std::vector<std::string_view> pages = PagesOf(html);
    for (std::size_t i = 0; i < pages.size(); ++i)
        if (pages[i].find(what) != std::string_view::npos) return static_cast<int>(i);
    return -1;
}

// The piece of the body where an in-page link ("#id") leads.
int PageOfLink(const std::string& html, const std::string& href)
{
    return PageHolding(html, "id=\"" + href.substr(1) + "\"");
}

// How many entries libmobi finds in the book's NCX index.
std::size_t NcxEntryCount(const fs::path& file)
{
    MOBIData* data = mobi_init();
    std::size_t count = 0;
    if (mobi_load_filename(data, file.c_str()) == MOBI_SUCCESS) {
        MOBIRawml* rawml = mobi_init_rawml(data);
        if (mobi_parse_rawml_opt(rawml, data, true, false, true) == MOBI_SUCCESS && rawml->ncx)
            count = rawml->ncx->entries_count;
        mobi_free_rawml(rawml);
    }
    mobi_free(data);
    return count;
}

struct TocCase {
    const char* sample;
    std::vector<std::string> labels;  // as HTML
    std::vector<int> depths;
    std::vector<std::string> words;   // words on the page each entry leads to
};

class SampleTocTest : public Mobi2HtmlTest, public ::testing::WithParamInterface<TocCase> {};

TEST_P(SampleTocTest, OutlineHoldsTheBooksEntriesAndEachLeadsToItsPage)
{
    const TocCase& toc = GetParam();
    const Conversion conversion = ConvertSample(toc.sample);
    ExpectSoundPage(conversion);
    const std::vector<NavLink> links = NavLinks(conversion.html);
    // The book's own table of contents where it has one, else its headings.
    if (const std::size_t ncx = NcxEntryCount(kSamples / toc.sample); ncx > 0) {
        EXPECT_EQ(links.size(), ncx);
    }
    ASSERT_EQ(links.size(), toc.labels.size());
    for (std::size_t i = 0; i < links.size(); ++i) {
        SCOPED_TRACE(toc.labels[i]);
        EXPECT_EQ(links[i].label, toc.labels[i]);
        EXPECT_EQ(links[i].depth, toc.depths[i]);
        EXPECT_EQ(PageOfLink(conversion.html, links[i].href), PageHolding(conversion.html, toc.words[i]));
    }
}

const std::vector<std::string> kSampleNcxLabels = {"&quot;Main page&quot;", "&quot;Libmobi public header&quot;"};
const std::vector<std::string> kSampleNcxWords = {"This is a sample for testing", "mobi_write_file"};

INSTANTIATE_TEST_SUITE_P(
    Samples, SampleTocTest,
    ::testing::Values(TocCase{"sample-cp1252.mobi", kSampleNcxLabels, {0, 0}, kSampleNcxWords},
                      TocCase{"sample-unicode-huffdic.mobi", kSampleNcxLabels, {0, 0}, kSampleNcxWords},
                      TocCase{"sample-multimedia.mobi", kSampleNcxLabels, {0, 0}, kSampleNcxWords},
                      TocCase{"sample-textread.mobi",
                              {"This is a sample for testing libmobi project.", "Libmobi features:", "eBook Info"},
                              {0, 1, 0},
                              {"This is a sample", "Libmobi features:", "eBook Info"}}),
    [](const ::testing::TestParamInfo<TocCase>& info) {
        std::string name = fs::path(info.param.sample).stem().string();
        std::erase(name, '-');
        return name;
    });

TEST_F(Mobi2HtmlTest, Kf7TableOfContentsKeepsItsNestingAndLeadsToEachChapter)
{
    MobiBook book = MakeChapterBook(3);
    const auto at = [&](const std::string& what) { return static_cast<std::uint32_t>(book.html.find(what)); };
    // The entry of chapter 2 leads to the page break before it, as KindleGen's do.
    book.toc = {{"Chapter 1", at("<h2>"), {{"Première partie", at("<p>"), {}}}},
                {"Chapter 2", at("<mbp:pagebreak/><h2>" + ChapterHeading(2)), {}},
                {"Chapter 3", at("<h2>" + ChapterHeading(3)), {}}};
    const Conversion conversion = Convert(WriteBook("contents.mobi", book), Output());
    ExpectSoundPage(conversion);

    const std::vector<NavLink> links = NavLinks(conversion.html);
    ASSERT_EQ(links.size(), 4u) << NavOf(conversion.html);
    const struct {
        const char* label;
        int depth;
        int page;
    } expected[] = {{"Chapter 1", 0, 0}, {"Première partie", 1, 0}, {"Chapter 2", 0, 1}, {"Chapter 3", 0, 2}};
    for (std::size_t i = 0; i < links.size(); ++i) {
        EXPECT_EQ(links[i].label, expected[i].label);
        EXPECT_EQ(links[i].depth, expected[i].depth) << expected[i].label;
        EXPECT_EQ(PageOfLink(conversion.html, links[i].href), expected[i].page) << expected[i].label;
    }
}

TEST_F(Mobi2HtmlTest, BookWithoutTableOfContentsGetsAnOutlineOfItsHeadings)
{
    MobiBook book;
    book.title = "Headings";
    book.html = "<html><head></head><body><h1>Part <i>One</i></h1><p>Words.</p><h2 id=\"intro\">Intro</h2>"
                "<h3>Deep &amp; deeper</h3><h4>Too deep</h4><h2>Second</h2><h1> </h1><mbp:pagebreak/>"
                "<h1>Part Two</h1><p>More words.</p></body></html>";
    const Conversion conversion = Convert(WriteBook("headings.mobi", book), Output());
    ExpectSoundPage(conversion);

    const std::vector<NavLink> links = NavLinks(conversion.html);
    const std::vector<std::tuple<std::string, std::string, int>> expected = {
        {"#heading-1", "Part One", 0}, {"#intro", "Intro", 1},          {"#heading-3", "Deep &amp; deeper", 2},
        {"#heading-4", "Second", 1},   {"#heading-5", "Part Two", 0}};
    ASSERT_EQ(links.size(), expected.size()) << NavOf(conversion.html);
    for (std::size_t i = 0; i < links.size(); ++i)
        EXPECT_EQ(std::tie(links[i].href, links[i].label, links[i].depth), expected[i]);
    EXPECT_EQ(PageOfLink(conversion.html, "#heading-5"), 1);
}

TEST_F(Mobi2HtmlTest, ContentsPageLinksLeadToTheirChaptersAndMissingTargetsBecomeText)
{
    // A contents page of filepos links as KindleGen writes them (ten digits),
    // leading to a page break, into a tag, and to a heading.
    std::string html = "<html><head><guide></guide></head><body><h1>Contents</h1>";
    for (int chapter = 1; chapter <= 3; ++chapter)
        html += "<p><a filepos=\"" + std::string(10, char('0' + chapter)) + "\">" + ChapterHeading(chapter) + "</a></p>";
    html += "<p><a href=\"#nowhere\">Lost link</a> and <a filepos=\"XXXXXXXXXX\">placeholder link</a></p>";
    for (int chapter = 1; chapter <= 3; ++chapter)
        html += "<mbp:pagebreak/><h2 class=\"c\">" + ChapterHeading(chapter) + "</h2><p>Text of chapter " +
                std::to_string(chapter) + ".</p>";
    html += "</body></html>";
    const std::size_t targets[] = {html.find("<mbp:pagebreak/>"), html.find("<h2 class=\"c\">Chapter 2") + 4,
                                   html.find("<h2 class=\"c\">Chapter 3")};
    for (int chapter = 1; chapter <= 3; ++chapter) {
        char digits[16];
        std::snprintf(digits, sizeof digits, "%010zu", targets[chapter - 1]);
        html.replace(html.find(std::string(10, char('0' + chapter))), 10, digits);
    }
    MobiBook book;
    book.title = "Contents";
    book.html = html;
    const Conversion conversion = Convert(WriteBook("links.mobi", book), Output());
    ExpectSoundPage(conversion);

    for (int chapter = 1; chapter <= 3; ++chapter) {
        SCOPED_TRACE(chapter);
        const std::string link = "\">" + ChapterHeading(chapter) + "</a>";
        const std::size_t end = conversion.html.find(link);
        ASSERT_NE(end, std::string::npos);
        const std::size_t start = conversion.html.rfind("<a href=\"#", end);
        const std::string href = conversion.html.substr(start + 9, end - start - 9);
        EXPECT_EQ(PageOfLink(conversion.html, href), chapter);
        EXPECT_EQ(PageHolding(conversion.html, "Text of chapter " + std::to_string(chapter)), chapter);
    }
    const std::size_t anchor = conversion.html.find("id=\"filepos" + std::to_string(targets[1]) + "\"");
    ASSERT_NE(anchor, std::string::npos);
    EXPECT_EQ(conversion.html.rfind("<h2 ", anchor), conversion.html.rfind('<', anchor))
        << "a position inside a heading's tag is the heading's";
    EXPECT_NE(conversion.html.find("<a>Lost link</a> and <a>placeholder link</a>"), std::string::npos);
}

TEST_F(Mobi2HtmlTest, HeadCarriesTitleAuthorsLanguageAndSubject)
{
    const MobiBook full = MakeDescribedBook("Die Bücher & \"Zeichen\" <Ära>", "Jean-Paul <Sartre>");
    const MobiBook plain = MakePlainBook();

    const struct {
        MobiBook book;
        std::vector<std::string> present;
        std::vector<std::string> absent;
    } cases[] = {
        {full,
         {"<html lang=\"fr\">", "<title>Die Bücher &amp; &quot;Zeichen&quot; &lt;Ära&gt;</title>",
          "<meta name=\"author\" content=\"Anaïs Nin &amp; Jean-Paul &lt;Sartre&gt;\">",
          "<meta name=\"subject\" content=\"Essais; Philosophie\">"},
         {}},
        // The writer's header names English as the book's locale.
        {plain, {"<html lang=\"en\">", "<title>Plain</title>"}, {"name=\"author\"", "name=\"subject\""}},
    };
    for (const auto& [book, present, absent] : cases) {
        SCOPED_TRACE(book.title);
        const Conversion conversion = Convert(WriteBook("info.mobi", book), Output());
        ExpectSoundPage(conversion);
        const std::string head = conversion.html.substr(0, conversion.html.find("<body>"));
        for (const std::string& line : present) EXPECT_NE(head.find(line + "\n"), std::string::npos) << line << "\n" << head;
        for (const std::string& text : absent) EXPECT_EQ(head.find(text), std::string::npos) << text;
    }
}

TEST_F(Mobi2HtmlTest, CoverIsNamedInTheHeadUnlessTheTextStartsWithIt)
{
    const ImageRecords pictures = {MakeCheckerGif(8, 8), MakeCheckerGif(16, 8)};
    const struct {
        const char* name;
        const char* body;
        std::optional<std::uint32_t> coverOffset;
        const char* cover;  // expected in the head
    } cases[] = {
        {"cover apart from the text", "<p>Words first.</p><p><img recindex=\"00002\"></p>", 0, "images/image00001.gif"},
        {"text starts with its cover", "<p><img recindex=\"00001\" /></p><p>Words.</p>", 0, ""},
        {"text starts with another picture", "<div><img recindex=\"00002\"></div><p>Words.</p>", 0,
         "images/image00001.gif"},
        {"second picture is the cover", "<p>Words.</p>", 1, "images/image00002.gif"},
        {"no cover", "<p>Words.</p>", std::nullopt, ""},
        {"cover past the pictures", "<p>Words.</p>", 7, ""},
    };
    for (const auto& [name, body, coverOffset, cover] : cases) {
        SCOPED_TRACE(name);
        MobiBook book;
        book.title = name;
        book.html = std::string("<html><head></head><body>") + body + "</body></html>";
        book.images = pictures;
        book.coverOffset = coverOffset;
        fs::remove_all(Output());
        const Conversion conversion = Convert(WriteBook("cover.mobi", book), Output());
        ExpectSoundPage(conversion);
        EXPECT_EQ(MetaContent(conversion.html, "corvale-cover"), cover);
        // The renderer sets the cover as a page of its own: it is not put into the text.
        if (*cover) {
            EXPECT_EQ(BodyOf(conversion.html).find(cover), std::string_view::npos);
        }
    }
}

TEST_F(Mobi2HtmlTest, QuotesInTextNeverLookLikeAttributes)
{
    MobiBook book;
    book.title = "Markup \"shown\"";
    book.html = "<html><head></head><body><p><code>&lt;img src=\"logo.gif\"&gt;</code> says \"hello\"</p>"
                "<p><img recindex=\"00001\" alt='a \"quoted\" src=\"x.gif\" picture'></p></body></html>";
    book.images = {MakeCheckerGif(8, 8)};
    const Conversion conversion = Convert(WriteBook("quotes.mobi", book), Output());
    ExpectSoundPage(conversion);
    const std::string& html = conversion.html;
    EXPECT_NE(html.find("<code>&lt;img src=&quot;logo.gif&quot;&gt;</code> says &quot;hello&quot;"), std::string::npos);
    EXPECT_NE(html.find("alt=\"a &quot;quoted&quot; src=&quot;x.gif&quot; picture\""), std::string::npos);
    // The byte-level scan for src=" meets the one picture only.
    EXPECT_EQ(CountOf(html, "src=\""), 1u);
    EXPECT_EQ(AttributeValues(html, "src"), std::vector<std::string>{"images/image00001.gif"});
}

// ---- failures ----

TEST_F(Mobi2HtmlTest, EncryptedBookFailsAndWritesNothing)
{
    const Conversion conversion = ConvertSample("sample-drm-v1.mobi");
    ExpectFailureWithoutPage(conversion);
    EXPECT_NE(conversion.result.errorOutput.find("protected by DRM"), std::string::npos) << conversion.result.errorOutput;
    EXPECT_TRUE(OutputFiles().empty());
}

TEST_F(Mobi2HtmlTest, FilesThatAreNoBookOrDamagedFailWithTheirReason)
{
    const std::string whole = ReadTextFile(kSamples / "sample-unicode-huffdic.mobi");
    ASSERT_FALSE(whole.empty());
    const struct {
        const char* name;
        std::string bytes;
        const char* reason;
    } files[] = {
        {"truncated.mobi", whole.substr(0, whole.size() / 2), "the book is damaged ("},
        {"header-only.mobi", whole.substr(0, 100), "the book is damaged ("},
        {"empty.mobi", "", "the file is not a MOBI book"},
        {"text.mobi", "This is not a book at all.\n", "the file is not a MOBI book"},
        {"picture.mobi", std::string(100, 'x').replace(0, 6, "GIF89a"), "the file is not a MOBI book"},
    };
    for (const auto& [name, bytes, reason] : files) {
        SCOPED_TRACE(name);
        ASSERT_TRUE(WriteTextFile(m_temp / name, bytes));
        const Conversion conversion = Convert(m_temp / name, Output());
        ExpectFailureWithoutPage(conversion);
        EXPECT_NE(conversion.result.errorOutput.find(std::string(name) + ": " + reason), std::string::npos)
            << conversion.result.errorOutput;
    }
    ExpectFailureWithoutPage(Convert(m_temp / "missing.mobi", Output()));
    EXPECT_TRUE(OutputFiles().empty());
}

// A book of about 250 KB, most of it one picture, with a header field changed
// the way damage or a hostile file would change it. Each either fails as
// damaged or converts, and never needs much more memory than the program
// itself plus a few times the book.
TEST_F(Mobi2HtmlTest, DamagedHeaderFieldsFailCleanlyWithinMemoryBoundedByTheBook)
{
    std::vector<unsigned char> picture(250000, 0x5A);
    picture[0] = 0xFF, picture[1] = 0xD8, picture[2] = 0xFF;
    MobiBook book = MakeChapterBook(40, {picture});
    const fs::path healthy = WriteBook("healthy.mobi", book);
    const Conversion reference = Convert(healthy, m_temp / "reference");
    ExpectSoundPage(reference);
    const long bookKb = static_cast<long>(fs::file_size(healthy) / 1024);
    const long boundKb = reference.result.peakMemoryKb + 4 * bookKb;

    const struct {
        const char* damage;
        std::size_t offset;  // in record 0
        std::vector<unsigned char> bytes;
        bool mayConvert;
    } cases[] = {
        {"text record count 65535", 8, BigEndian16(0xFFFF), false},
        {"text record count 0", 8, BigEndian16(0), false},
        {"text length 4 GiB", 4, BigEndian32(0xFFFFFFFF), false},
        {"text record size 65535", 10, BigEndian16(0xFFFF), true},
        // Old books size their text by the text length instead.
        {"old book with a text length of 256 MiB", 4, BigEndian32(0x0FFFFFFF), false},
    };
    for (const auto& [damage, offset, bytes, mayConvert] : cases) {
        SCOPED_TRACE(damage);
        const fs::path file = m_temp / "damaged.mobi";
        fs::copy_file(healthy, file, fs::copy_options::overwrite_existing);
        ASSERT_TRUE(PatchRecord0(file, offset, bytes));
        if (std::string_view(damage).starts_with("old book")) {
            ASSERT_TRUE(PatchRecord0(file, 36, BigEndian32(3)));  // the format version
        }
        fs::remove_all(Output());

        const Conversion conversion = Convert(file, Output());
        if (conversion.result.exitCode == 0 && mayConvert) {
            ExpectSoundPage(conversion);
        } else {
            ExpectFailureWithoutPage(conversion);
            EXPECT_EQ(conversion.result.exitCode, 1);
            EXPECT_NE(conversion.result.errorOutput.find("damaged"), std::string::npos) << conversion.result.errorOutput;
        }
        if (!kAddressSanitizer) {
            EXPECT_LE(conversion.result.peakMemoryKb, boundKb);
        }
    }
}

// Records in the file's list that go backwards or past the end would give
// a record a size of some 4 GiB in libmobi's reading: refused first.
TEST_F(Mobi2HtmlTest, RecordListOutOfOrderOrPastTheEndFailsAsDamaged)
{
    const fs::path healthy = WriteBook("healthy.mobi", MakeChapterBook(3));
    const std::uint32_t size = static_cast<std::uint32_t>(fs::file_size(healthy));
    const struct {
        const char* damage;
        std::size_t record;
        std::uint32_t offset;
    } cases[] = {
        {"second record before the first", 1, 0},
        {"last record past the end", 2, size + 1},
    };
    for (const auto& [damage, record, offset] : cases) {
        SCOPED_TRACE(damage);
        std::string bytes = ReadTextFile(healthy);
        const std::vector<unsigned char> written = BigEndian32(offset);
        bytes.replace(78 + 8 * record, 4, std::string(written.begin(), written.end()));
        const fs::path file = m_temp / "damaged.mobi";
        ASSERT_TRUE(WriteTextFile(file, bytes));
        fs::remove_all(Output());
        const Conversion conversion = Convert(file, Output());
        ExpectFailureWithoutPage(conversion);
        EXPECT_NE(conversion.result.errorOutput.find("the book is damaged (its list of records is damaged)"),
                  std::string::npos)
            << conversion.result.errorOutput;
    }
}

TEST_F(Mobi2HtmlTest, OutputThatCannotBeWrittenFailsAndTakesBackItsPictures)
{
    // A folder where the page should go: the pictures are written first, then
    // the page cannot be, and the pictures must go again.
    fs::create_directories(Output() / "sample-multimedia.html");
    ASSERT_TRUE(WriteTextFile(Output() / "sample-multimedia.html" / "keep.txt", "not ours"));
    const Conversion conversion = ConvertSample("sample-multimedia.mobi");
    EXPECT_NE(conversion.result.exitCode, 0);
    EXPECT_EQ(CountOf(conversion.result.errorOutput, "\n"), 1u) << conversion.result.errorOutput;
    EXPECT_EQ(OutputFiles(), std::vector<std::string>{"sample-multimedia.html/keep.txt"});
    EXPECT_FALSE(fs::exists(Output() / "images"));

    // An output folder below a file cannot be made at all.
    ASSERT_TRUE(WriteTextFile(m_temp / "plain-file", "x"));
    ExpectFailureWithoutPage(Convert(m_temp / "sample-multimedia.mobi", m_temp / "plain-file" / "out"));
}

TEST_F(Mobi2HtmlTest, WrongArgumentsAreAUsageError)
{
    const ProgramResult result = RunProgram(kMobi2Html, {"only-one-argument.mobi"});
    EXPECT_EQ(result.exitCode, 2);
    EXPECT_NE(result.errorOutput.find("usage: mobi2html INPUT OUTDIR"), std::string::npos);
}

}  // namespace
