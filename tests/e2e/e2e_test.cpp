// Real books through the real tools in bin/core: mobi2html, the GIF
// rewriting and wkhtmltopdf. The PDFs are read back with poppler's tools.
#include "engine/mobi_pdf.h"
#include "base/paths.h"
#include "settings/options.h"
#include "support/gif_writer.h"
#include "support/pdf_checks.h"
#include "support/run_program.h"
#include "support/scoped_env.h"
#include "support/temp_dir.h"
#include "support/test_books.h"

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <memory>

namespace fs = std::filesystem;

namespace {

// Page size of the first page in points.
std::pair<double, double> PdfPageSize(const fs::path& pdf)
{
    const auto sizes = PdfPageSizes(pdf);
    return sizes.empty() ? std::pair<double, double>{0, 0} : sizes.front();
}

int PdfImageCount(const fs::path& pdf) { return static_cast<int>(PdfImageSizes(pdf).size()); }

// Removes every run of blanks, so words that the PDF text breaks across lines
// are still found.
std::string Squeeze(std::string text)
{
    std::string out;
    for (char c : text)
        if (c != ' ' && c != '\n' && c != '\r' && c != '\f' && c != '-')
            out += c;
    return out;
}

using RealEngine = Engine<MobiPdfEng>;

class RealConversion : public ::testing::Test {
protected:
    void SetUp() override
    {
        fs::create_directories(Out());
        m_engine.m_strOutputFolder = FromNativePath(Out());
        g_pOptions = &m_options;
    }
    void TearDown() override { g_pOptions = nullptr; }

    fs::path Out() const { return m_dir / "out"; }
    fs::path CopySample(const std::string& name)
    {
        const fs::path copy = m_dir / name;
        fs::copy_file(fs::path(CORVALE_SAMPLES_DIR) / name, copy, fs::copy_options::overwrite_existing);
        fs::permissions(copy, fs::perms::owner_read | fs::perms::owner_write);
        return copy;
    }
    // Converts the books in one run; the states of the jobs in order.
    std::vector<int32_t> Convert(const std::vector<fs::path>& books)
    {
        m_engine.ClearJobs();
        for (const fs::path& book : books)
            EXPECT_GE(m_engine.AddJob(FromNativePath(book)), 0);
        EXPECT_TRUE(m_engine.Start());
        m_engine.WaitForWorker();
        std::vector<int32_t> states;
        for (int i = 0; i < m_engine.GetJobCount(); ++i)
            states.push_back(m_engine.GetJob(i).state);
        return states;
    }
    bool WorkFolderIsEmpty() const
    {
        std::error_code error;
        return fs::is_empty(m_cache.WorkFolder(), error) || error;
    }
    // No PDF may carry a path of the work folder or a link to a local
    // file, as a link inside the book rendered as it stands would.
    bool PdfMentionsWorkFolder(const fs::path& pdf) const
    {
        const std::string trace = PdfLocalTraces(pdf, {m_cache.path().string(), "Velmora"});
        EXPECT_EQ(trace, "") << pdf;
        return !trace.empty();
    }

    TempCacheHome m_cache;
    TempDir m_dir;
    COptions m_options;
    RealEngine m_engine;
};

}  // namespace

TEST_F(RealConversion, EverySampleBookBecomesAPdfOfTheChosenSize)
{
    m_options.m_nPageWidth = 150;
    m_options.m_nPageHeight = 200;
    const std::vector<std::string> samples = {"sample-textread.mobi", "sample-cp1252.mobi",
                                              "sample-unicode-huffdic.mobi", "sample-multimedia.mobi"};
    std::vector<fs::path> books;
    for (const std::string& name : samples)
        books.push_back(CopySample(name));
    const std::vector<int32_t> states = Convert(books);
    ASSERT_EQ(states, std::vector<int32_t>(samples.size(), STATUS_FINISHED));

    for (const fs::path& book : books) {
        fs::path pdf = Out() / book.filename();
        pdf.replace_extension(".pdf");
        SCOPED_TRACE(pdf.string());
        ASSERT_TRUE(fs::exists(pdf));
        const auto [width, height] = PdfPageSize(pdf);
        EXPECT_NEAR(width, 150 / 25.4 * 72, 1.5);
        EXPECT_NEAR(height, 200 / 25.4 * 72, 1.5);
        const std::string text = Squeeze(PdfText(pdf));
        EXPECT_NE(text.find(Squeeze("Libmobi features")), std::string::npos);
        EXPECT_NE(text.find(Squeeze("reconstructing dictionary markup")), std::string::npos);
        EXPECT_FALSE(PdfMentionsWorkFolder(pdf));
    }
    // The book with pictures keeps them (JPEG in the book, so no rewriting).
    fs::path multimedia = Out() / "sample-multimedia.pdf";
    EXPECT_GE(PdfImageCount(multimedia), 1);
    EXPECT_TRUE(WorkFolderIsEmpty());
}

TEST_F(RealConversion, EncryptedBookFailsAndLeavesNothing)
{
    const fs::path book = CopySample("sample-drm-v1.mobi");
    EXPECT_EQ(Convert({book}), std::vector<int32_t>{STATUS_FAILED});
    EXPECT_FALSE(fs::exists(Out() / "sample-drm-v1.pdf"));
    EXPECT_TRUE(fs::is_empty(Out()));
    EXPECT_TRUE(WorkFolderIsEmpty());
}

TEST_F(RealConversion, ProjectSampleKeepsItsNonAsciiWords)
{
    const fs::path book = m_dir / "Caf\xC3\xA9 \"Sample\" $HOME 's.mobi";
    ASSERT_TRUE(WriteSampleBook(book));
    ASSERT_EQ(Convert({book}), std::vector<int32_t>{STATUS_FINISHED});
    const fs::path pdf = Out() / "Caf\xC3\xA9 \"Sample\" $HOME 's.pdf";
    const std::string text = PdfText(pdf);
    for (const char* word : {"Caf\xC3\xA9", "na\xC3\xAFve", "Gr\xC3\xBC\xC3\x9F" "e", "fa\xC3\xA7" "ade"})
        EXPECT_NE(text.find(word), std::string::npos) << word;
    EXPECT_GE(PdfImageCount(pdf), 1);  // its GIF pictures, as JPEG
    EXPECT_FALSE(PdfMentionsWorkFolder(pdf));
    EXPECT_TRUE(WorkFolderIsEmpty());
}

TEST_F(RealConversion, GifPicturesOfEveryKindReachThePdf)
{
    using namespace testgif;
    const Colour red{220, 30, 30}, green{30, 200, 60}, blue{30, 60, 220}, white{255, 255, 255};
    const std::vector<Image> gifs = {
        QuadrantGif(red, green, blue, white),
        TransparentGif(blue, red),
        AnimatedGif({green, red, blue}),
        InterlacedGreyRampGif(48, 48),
    };
    ImageRecords records;
    for (size_t i = 0; i < gifs.size(); ++i) {
        const fs::path file = m_dir / ("pic" + std::to_string(i) + ".gif");
        ASSERT_TRUE(WriteGif(file, gifs[i]));
        const std::string bytes = ReadTextFile(file);
        records.emplace_back(bytes.begin(), bytes.end());
    }
    const fs::path book = m_dir / "pictures.mobi";
    ASSERT_TRUE(WriteChapterBook(book, 2, records));
    ASSERT_EQ(Convert({book}), std::vector<int32_t>{STATUS_FINISHED});
    const fs::path pdf = Out() / "pictures.pdf";
    EXPECT_GE(PdfImageCount(pdf), static_cast<int>(gifs.size()));
    EXPECT_NE(PdfText(pdf).find(ChapterHeading(2)), std::string::npos);
    EXPECT_TRUE(WorkFolderIsEmpty());
}
