// The two tools end to end, as the program runs them: mobi2html, then the
// bin/core/wkhtmltopdf wrapper, without a display, in a work folder whose
// name holds blanks, quotes and a dollar sign.
#include "page_checks.h"
#include "page_documents.h"
#include "pdf_checks.h"
#include "run_program.h"
#include "run_renderer.h"

#include "temp_dir.h"
#include "test_books.h"

#include "tools/mobi2html/page_builder.h"

#include <gtest/gtest.h>

#include <algorithm>

#include <filesystem>
#include <string>

namespace fs = std::filesystem;

namespace {

const fs::path kSamples = CORVALE_SAMPLES_DIR;
const fs::path kCore = fs::path(CORVALE_BIN_DIR) / "core";

class RenderTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_FALSE(m_temp.path().empty());
        m_work = m_temp / "work 'folder' \"$HOME\" `x`";
        fs::create_directories(m_work / "html");
    }

    // Renders a page into work/book.pdf the way the program does.
    ProgramResult Render(const fs::path& page)
    {
        ProgramResult result = RunRenderer(kCore / "wkhtmltopdf", 210, 297, page, Pdf());
        if (result.exitCode == 0) ExpectNoWorkFolderPath();
        return result;
    }

    // The PDF's text with line ends as blanks, so words that wrap onto the
    // next line are still found together.
    std::string Words() const
    {
        std::string words = PdfText(Pdf());
        std::replace(words.begin(), words.end(), '\n', ' ');
        return words;
    }

    int PdfPages() const { return static_cast<int>(PdfPageSizes(Pdf()).size()); }

    fs::path Pdf() const { return m_work / "book.pdf"; }

    // The PDF may not carry the work folder's path anywhere (the renderer
    // turns links inside the page into file:// links to the page).
    void ExpectNoWorkFolderPath()
    {
        EXPECT_EQ(PdfLocalTraces(Pdf(), {m_temp.path().filename().string(), "work 'folder'"}), "");
    }

    TempDir m_temp;
    fs::path m_work;
};

TEST_F(RenderTest, SampleBookBecomesAPdfWithItsTextPictureAndNoLocalPath)
{
    const fs::path book = m_work / "tmpmobi1.mobi";
    fs::copy_file(kSamples / "sample-multimedia.mobi", book);
    const ProgramResult unpacked = RunProgram((kCore / "mobi2html").string(), {book.string(), (m_work / "html").string()});
    ASSERT_EQ(unpacked.exitCode, 0) << unpacked.errorOutput;

    const ProgramResult rendered = Render(m_work / "html" / "tmpmobi1.html");
    ASSERT_TRUE(fs::exists(Pdf())) << rendered.errorOutput;
    EXPECT_EQ(rendered.exitCode, 0) << rendered.errorOutput;

    const std::string text = Words();
    for (const char* words : {"This is a sample for testing libmobi project.", "libmobi public header",
                              "This is test audio", "mobi_write_file"})
        EXPECT_NE(text.find(words), std::string::npos) << words;
    // The picture was allowed in from the page's folder: the PDF holds an image.
    EXPECT_NE(ReadTextFile(Pdf()).find("/Subtype /Image"), std::string::npos);
    // The link to the outside stays a link.
    EXPECT_NE(ReadTextFile(Pdf()).find("https://github.com/bfabiszewski/libmobi/"), std::string::npos);
}

TEST_F(RenderTest, NonAsciiTextAndGifPicturesReachThePdf)
{
    const fs::path book = m_work / "tmpmobi2.mobi";
    ASSERT_TRUE(WriteChapterBook(book, 2, {MakeCheckerGif(64, 32)}));
    const ProgramResult unpacked = RunProgram((kCore / "mobi2html").string(), {book.string(), (m_work / "html").string()});
    ASSERT_EQ(unpacked.exitCode, 0) << unpacked.errorOutput;

    Render(m_work / "html" / "tmpmobi2.html");
    ASSERT_TRUE(fs::exists(Pdf()));
    const std::string text = Words();
    EXPECT_NE(text.find("A naïve reader in a Café"), std::string::npos) << text;
    EXPECT_NE(text.find("Grüße"), std::string::npos);
    EXPECT_EQ(PdfPages(), 2) << "one page per chapter, none empty";
    EXPECT_NE(ReadTextFile(Pdf()).find("/Subtype /Image"), std::string::npos);
}

TEST_F(RenderTest, WrapperFirstOnThePathStillFindsTheRealRenderer)
{
    ASSERT_TRUE(WriteTextFile(m_work / "html" / "page.html",
                              "<!DOCTYPE html><html><body><p>Found the renderer.</p></body></html>"));
    const ProgramResult result = RunRenderer(kCore / "wkhtmltopdf", 100, 100, m_work / "html" / "page.html", Pdf(), {},
                                             {"PATH=" + kCore.string() + ":/usr/local/bin:/usr/bin:/bin", "DISPLAY=:97"});
    EXPECT_EQ(result.exitCode, 0) << result.errorOutput;
    ASSERT_TRUE(fs::exists(Pdf()));
    EXPECT_NE(Words().find("Found the renderer."), std::string::npos);
    ExpectNoWorkFolderPath();
}

// Stands in for a book without files of its own.
class NoResources : public PageResources {
public:
    std::string ImageByIndex(std::size_t) override { return {}; }
    std::string ImageByReference(std::string_view) override { return {}; }
    std::optional<std::string> StyleSheet(std::string_view) override { return std::nullopt; }
};

TEST_F(RenderTest, BreaksAskedForByTheBookGiveNoEmptyFirstOrLastPage)
{
    const std::string css =
        "<style>.chapter { page-break-before: always } .end { page-break-after: always !important }</style>";
    const auto part = [&](const std::string& body) {
        return "<html><head>" + css + "</head><body><div class=\"chapter\"><h1>" + body +
               "</h1><p class=\"end\">The end of " + body + ".</p></div></body></html>";
    };
    NoResources resources;
    const std::string page = BuildPage(DocumentOf("Breaks", {part("One"), part("Two")}), resources);
    ASSERT_TRUE(WriteTextFile(m_work / "html" / "page.html", page));

    Render(m_work / "html" / "page.html");
    ASSERT_TRUE(fs::exists(Pdf()));
    EXPECT_EQ(PdfPages(), 2) << page;
}

TEST_F(RenderTest, LocalFilesOutsideThePageFolderAndTheNetworkAreNotReached)
{
    // A page whose pictures lie outside its folder or on a server: the PDF
    // must come out without them and without waiting for the network.
    fs::copy_file(kSamples / "sample-multimedia.mobi", m_work / "tmpmobi3.mobi");
    ASSERT_EQ(RunProgram((kCore / "mobi2html").string(),
                         {(m_work / "tmpmobi3.mobi").string(), (m_work / "outside").string()})
                  .exitCode,
              0);
    const std::string page = "<!DOCTYPE html><html><head><meta charset=\"utf-8\">"
                             "<link rel=\"stylesheet\" href=\"http://192.0.2.1/style.css\"></head><body>"
                             "<p>Words of the page.</p><img src=\"../outside/images/image00000.jpg\">"
                             "<img src=\"http://192.0.2.1/remote.png\"><img src=\"file:///etc/passwd\"></body></html>";
    ASSERT_TRUE(WriteTextFile(m_work / "html" / "page.html", page));

    Render(m_work / "html" / "page.html");
    ASSERT_TRUE(fs::exists(Pdf()));
    EXPECT_NE(Words().find("Words of the page."), std::string::npos);
    // Nothing but the renderer's own placeholders may come in: no JPEG.
    EXPECT_EQ(ReadTextFile(Pdf()).find("/Width 420"), std::string::npos);
}

}  // namespace
