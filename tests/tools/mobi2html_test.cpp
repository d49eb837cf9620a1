// mobi2html run on real books (the samples) and on books made for the test:
// the page it writes, the images beside it, and how it fails.
#include "page_checks.h"
#include "run_program.h"

#include "mobi_writer.h"
#include "temp_dir.h"
#include "test_books.h"

#include <gtest/gtest.h>

#include <cstdint>
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
void MarkAsCp1252(const fs::path& file)
{
    std::fstream stream(file, std::ios::in | std::ios::out | std::ios::binary);
    unsigned char offset[4] = {};
    stream.seekg(78);  // the first entry of the record list: record 0's offset
    stream.read(reinterpret_cast<char*>(offset), 4);
    const std::uint32_t record0 = (std::uint32_t{offset[0]} << 24) | (offset[1] << 16) | (offset[2] << 8) | offset[3];
    const unsigned char cp1252[4] = {0x00, 0x00, 0x04, 0xE4};
    stream.seekp(record0 + 28);
    stream.write(reinterpret_cast<const char*>(cp1252), 4);
    ASSERT_TRUE(stream.good());
}

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

// ---- failures ----

TEST_F(Mobi2HtmlTest, EncryptedBookFailsAndWritesNothing)
{
    const Conversion conversion = ConvertSample("sample-drm-v1.mobi");
    ExpectFailureWithoutPage(conversion);
    EXPECT_NE(conversion.result.errorOutput.find("protected by DRM"), std::string::npos) << conversion.result.errorOutput;
    EXPECT_TRUE(OutputFiles().empty());
}

TEST_F(Mobi2HtmlTest, DamagedFilesFailAndWriteNothing)
{
    const std::string whole = ReadTextFile(kSamples / "sample-unicode-huffdic.mobi");
    ASSERT_FALSE(whole.empty());
    const std::vector<std::pair<std::string, std::string>> files = {
        {"truncated.mobi", whole.substr(0, whole.size() / 2)},
        {"header-only.mobi", whole.substr(0, 100)},
        {"empty.mobi", ""},
        {"text.mobi", "This is not a book at all.\n"},
    };
    for (const auto& [name, bytes] : files) {
        SCOPED_TRACE(name);
        ASSERT_TRUE(WriteTextFile(m_temp / name, bytes));
        ExpectFailureWithoutPage(Convert(m_temp / name, Output()));
    }
    ExpectFailureWithoutPage(Convert(m_temp / "missing.mobi", Output()));
    EXPECT_TRUE(OutputFiles().empty());
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
