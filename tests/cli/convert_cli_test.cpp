// corvale-convert as a user runs it, with the real tools in bin/core.
#include "support/run_program.h"
#include "support/scoped_env.h"
#include "support/temp_dir.h"
#include "support/test_books.h"

#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <filesystem>
#include <thread>

namespace fs = std::filesystem;

namespace {

const std::string kConvert = std::string(CORVALE_BIN_DIR) + "/corvale-convert";

class ConvertCli : public ::testing::Test {
protected:
    ProgramResult Convert(const std::vector<std::string>& args) { return RunProgram(kConvert, args); }

    fs::path Book(const std::string& name)
    {
        const fs::path book = m_dir / name;
        EXPECT_TRUE(WriteSampleBook(book));
        return book;
    }
    bool WorkFolderIsEmpty() const
    {
        std::error_code error;
        return fs::is_empty(m_cache.WorkFolder(), error) || error;
    }

    TempCacheHome m_cache;
    TempDir m_dir;
};

}  // namespace

TEST_F(ConvertCli, ConvertsBesideTheBookAndKeepsAnExistingPdf)
{
    const fs::path book = Book("Caf\xC3\xA9 book.mobi");
    const fs::path pdf = m_dir / "Caf\xC3\xA9 book.pdf";
    ProgramResult run = Convert({book.string()});
    EXPECT_EQ(run.exitCode, 0) << run.errorOutput;
    EXPECT_EQ(run.output, "Finished: " + pdf.string() + "\n");
    EXPECT_TRUE(fs::exists(pdf));
    EXPECT_EQ(run.errorOutput.find('\r'), std::string::npos);  // no progress bar off a terminal

    ASSERT_TRUE(WriteTextFile(pdf, "kept"));
    run = Convert({book.string()});
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_EQ(run.output.rfind("Stopped: " + book.string(), 0), 0u) << run.output;
    EXPECT_EQ(ReadTextFile(pdf), "kept");

    run = Convert({"--replace", "--page-width", "100", "--page-height", "100", book.string()});
    EXPECT_EQ(run.exitCode, 0);
    EXPECT_NE(ReadTextFile(pdf), "kept");
    EXPECT_TRUE(WorkFolderIsEmpty());
}

TEST_F(ConvertCli, ReportsEachBookAndFailsWhenOneFails)
{
    const fs::path good = Book("good.mobi");
    const fs::path bad = m_dir / "bad.mobi";
    ASSERT_TRUE(WriteTextFile(bad, "this is not a book"));
    fs::create_directories(m_dir / "out");
    const ProgramResult run = Convert({"--output-folder", (m_dir / "out").string(), good.string(), bad.string(),
                             (m_dir / "notes.txt").string()});
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_NE(run.output.find("Finished: " + (m_dir / "out" / "good.pdf").string() + "\n"), std::string::npos);
    EXPECT_NE(run.output.find("Failed: " + bad.string() + " (the file is damaged or is not a MOBI book)\n"),
              std::string::npos) << run.output;
    EXPECT_NE(run.output.find("Failed: " + (m_dir / "notes.txt").string()), std::string::npos);
    EXPECT_FALSE(fs::exists(m_dir / "out" / "bad.pdf"));
}

TEST_F(ConvertCli, UsageErrorsExitWithTwo)
{
    for (const std::vector<std::string>& args :
         {std::vector<std::string>{}, {"--page-width", "10", "a.mobi"},
          {"--output-folder", (m_dir / "missing").string(), "a.mobi"}}) {
        const ProgramResult run = Convert(args);
        EXPECT_EQ(run.exitCode, 2);
        EXPECT_FALSE(run.errorOutput.empty());
        EXPECT_TRUE(run.output.empty());
    }
}

TEST_F(ConvertCli, InterruptStopsTheBookAndRemovesItsFiles)
{
    // A book big enough to still be converting when the interrupt comes.
    const fs::path book = m_dir / "long.mobi";
    ASSERT_TRUE(WriteChapterBook(book, 400));
    RunningProgram convert(kConvert, {book.string()});
    // Wait until the conversion has put its copy into the work folder.
    for (int i = 0; i < 6000 && WorkFolderIsEmpty(); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    ASSERT_FALSE(WorkFolderIsEmpty());
    convert.Signal(SIGINT);
    const ProgramResult run = convert.Finish();
    if (run.output.rfind("Finished: ", 0) == 0)
        GTEST_SKIP() << "the book was converted before the interrupt arrived";
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_EQ(run.output, "Stopped: " + book.string() + "\n");
    EXPECT_FALSE(fs::exists(m_dir / "long.pdf"));
    EXPECT_TRUE(WorkFolderIsEmpty());
}
