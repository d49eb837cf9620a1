// corvale-convert as a user runs it, with the real tools in bin/core.
#include "support/test_fonts.h"
#include "support/process_watch.h"
#include "support/run_program.h"
#include "support/scoped_env.h"
#include "support/stand_in_tools.h"
#include "support/temp_dir.h"
#include "support/test_books.h"

#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <filesystem>
#include <thread>

namespace fs = std::filesystem;

namespace {

class ConvertCli : public ::testing::Test {
protected:
    ProgramResult Convert(const std::vector<std::string>& args) { return RunProgram(m_program.string(), args); }

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

    // corvale-convert beside the stand-in tools: a link to the program in a
    // folder of its own, with core/ beside it.
    fs::path UseStandInTools()
    {
        m_program = m_bin / "corvale-convert";
        std::error_code error;
        fs::create_hard_link(fs::path(CORVALE_BIN_DIR) / "corvale-convert", m_program, error);
        if (error)
            fs::copy_file(fs::path(CORVALE_BIN_DIR) / "corvale-convert", m_program, error);
        EXPECT_FALSE(error) << error.message();
        EXPECT_TRUE(InstallStandInTools(m_bin / "core"));
        return m_bin / "core";
    }

    TempCacheHome m_cache;
    TempDir m_dir;
    TempDir m_bin;
    fs::path m_program = fs::path(CORVALE_BIN_DIR) / "corvale-convert";
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
    const fs::path drm = m_dir / "drm.mobi";
    fs::copy_file(fs::path(CORVALE_SAMPLES_DIR) / "sample-drm-v1.mobi", drm);
    fs::create_directories(m_dir / "out");
    const ProgramResult run = Convert({"--output-folder", (m_dir / "out").string(), good.string(), bad.string(),
                             drm.string(), (m_dir / "notes.txt").string()});
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_NE(run.output.find("Finished: " + (m_dir / "out" / "good.pdf").string() + "\n"), std::string::npos);
    EXPECT_NE(run.output.find("Failed: " + bad.string() + " (the file is not a MOBI book)\n"),
              std::string::npos) << run.output;
    EXPECT_NE(run.output.find("Failed: " + drm.string() + " (the book is protected by DRM)\n"), std::string::npos) << run.output;
    EXPECT_NE(run.output.find("Failed: " + (m_dir / "notes.txt").string()), std::string::npos);
    EXPECT_FALSE(fs::exists(m_dir / "out" / "bad.pdf"));
}

TEST_F(ConvertCli, SaysWhenNoFontCouldDrawABooksText)
{
    const ScopedFonts fonts;  // inherited by the tools
    const fs::path chinese = m_dir / "chinese.mobi";
    ASSERT_TRUE(WriteMobiBook(chinese, MakeParagraphBook("Chinese", {kChineseParagraph})));
    const fs::path latin = Book("latin.mobi");
    const ProgramResult run = Convert({chinese.string(), latin.string()});
    EXPECT_EQ(run.exitCode, 0) << run.errorOutput;
    EXPECT_EQ(run.output, "Finished: " + (m_dir / "chinese.pdf").string() +
                              " (but no font could draw its Chinese text)\n"
                              "Finished: " + (m_dir / "latin.pdf").string() + "\n");
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
    RunningProgram convert(m_program.string(), {book.string()});
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

TEST_F(ConvertCli, KilledRunLeavesNothingRunningAndTheNextRunClearsWhatItLeft)
{
    const fs::path core = UseStandInTools();
    ASSERT_TRUE(WriteTextFile(core / "hold-mobi2html", ""));
    FifoReader waiting(core / "mobi2html-waiting");
    const fs::path book = m_dir / "a.mobi";
    ASSERT_TRUE(WriteTextFile(book, "words"));

    RunningProgram convert(m_program.string(), {book.string()});
    const pid_t killed = convert.Pid();
    const auto line = waiting.ReadLine();
    ASSERT_TRUE(line) << "the stand-in mobi2html never started";
    ProcessWatch tool(static_cast<pid_t>(std::atoi(line->c_str())));
    convert.Signal(SIGKILL);
    convert.Finish();
    EXPECT_TRUE(tool.WaitForEnd()) << "the tool runs on after the program died";
    ASSERT_FALSE(WorkFolderIsEmpty());  // the book's copy and a half-made page folder

    // What a kill during the final copy leaves beside the PDF, and a file
    // that a running instance is writing there.
    const fs::path staged = m_dir / (".corvale-" + std::to_string(killed) + "-1.tmp");
    const fs::path running = m_dir / (".corvale-" + std::to_string(getpid()) + "-1.tmp");
    ASSERT_TRUE(WriteTextFile(staged, "half a PDF"));
    ASSERT_TRUE(WriteTextFile(running, "being written"));
    fs::remove(core / "hold-mobi2html");
    const ProgramResult run = Convert({book.string()});
    EXPECT_EQ(run.exitCode, 0) << run.output << run.errorOutput;
    EXPECT_TRUE(WorkFolderIsEmpty());
    EXPECT_FALSE(fs::exists(staged));
    EXPECT_TRUE(fs::exists(running));
    EXPECT_NE(ReadTextFile(m_dir / "a.pdf").find("words"), std::string::npos);
}
