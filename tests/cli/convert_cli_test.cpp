// corvale-convert as a user runs it, with the real tools in bin/core.
#include "support/process_watch.h"
#include "support/stand_in_tools.h"
#include "support/temp_dir.h"
#include "support/test_books.h"

#include <gtest/gtest.h>

#include <chrono>
#include <fcntl.h>
#include <csignal>
#include <filesystem>
#include <spawn.h>
#include <sys/wait.h>
#include <thread>

namespace fs = std::filesystem;

extern char** environ;

namespace {

struct CliRun {
    int exitCode = -1;
    std::string out, err;
};

class ConvertCli : public ::testing::Test {
protected:
    void SetUp() override { setenv("XDG_CACHE_HOME", m_cache.path().c_str(), 1); }

    // Starts corvale-convert with its output in files; returns the pid.
    pid_t Start(const std::vector<std::string>& args)
    {
        const std::string program = m_program.string();
        std::vector<char*> argv{const_cast<char*>(program.c_str())};
        for (const std::string& arg : args)
            argv.push_back(const_cast<char*>(arg.c_str()));
        argv.push_back(nullptr);
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_addopen(&actions, 1, (m_dir / "stdout").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        posix_spawn_file_actions_addopen(&actions, 2, (m_dir / "stderr").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        pid_t pid = -1;
        EXPECT_EQ(posix_spawn(&pid, program.c_str(), &actions, nullptr, argv.data(), environ), 0);
        posix_spawn_file_actions_destroy(&actions);
        return pid;
    }
    CliRun Finish(pid_t pid)
    {
        int status = 0;
        waitpid(pid, &status, 0);
        return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, ReadTextFile(m_dir / "stdout"),
                ReadTextFile(m_dir / "stderr")};
    }
    CliRun Convert(const std::vector<std::string>& args) { return Finish(Start(args)); }

    fs::path Book(const std::string& name)
    {
        const fs::path book = m_dir / name;
        EXPECT_TRUE(WriteSampleBook(book));
        return book;
    }
    bool WorkFolderIsEmpty() const
    {
        std::error_code error;
        return fs::is_empty(m_cache.path() / "Velmora", error) || error;
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

    TempDir m_cache;
    TempDir m_dir;
    TempDir m_bin;
    fs::path m_program = fs::path(CORVALE_BIN_DIR) / "corvale-convert";
};

}  // namespace

TEST_F(ConvertCli, ConvertsBesideTheBookAndKeepsAnExistingPdf)
{
    const fs::path book = Book("Caf\xC3\xA9 book.mobi");
    const fs::path pdf = m_dir / "Caf\xC3\xA9 book.pdf";
    CliRun run = Convert({book.string()});
    EXPECT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(run.out, "Finished: " + pdf.string() + "\n");
    EXPECT_TRUE(fs::exists(pdf));
    EXPECT_EQ(run.err.find('\r'), std::string::npos);  // no progress bar off a terminal

    ASSERT_TRUE(WriteTextFile(pdf, "kept"));
    run = Convert({book.string()});
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_EQ(run.out.rfind("Stopped: " + book.string(), 0), 0u) << run.out;
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
    const CliRun run = Convert({"--output-folder", (m_dir / "out").string(), good.string(), bad.string(),
                             drm.string(), (m_dir / "notes.txt").string()});
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_NE(run.out.find("Finished: " + (m_dir / "out" / "good.pdf").string() + "\n"), std::string::npos);
    EXPECT_NE(run.out.find("Failed: " + bad.string() + " (the file is damaged or is not a MOBI book)\n"),
              std::string::npos) << run.out;
    EXPECT_NE(run.out.find("Failed: " + drm.string() + " (the book is protected by DRM)\n"), std::string::npos) << run.out;
    EXPECT_NE(run.out.find("Failed: " + (m_dir / "notes.txt").string()), std::string::npos);
    EXPECT_FALSE(fs::exists(m_dir / "out" / "bad.pdf"));
}

TEST_F(ConvertCli, UsageErrorsExitWithTwo)
{
    for (const std::vector<std::string>& args :
         {std::vector<std::string>{}, {"--page-width", "10", "a.mobi"},
          {"--output-folder", (m_dir / "missing").string(), "a.mobi"}}) {
        const CliRun run = Convert(args);
        EXPECT_EQ(run.exitCode, 2);
        EXPECT_FALSE(run.err.empty());
        EXPECT_TRUE(run.out.empty());
    }
}

TEST_F(ConvertCli, InterruptStopsTheBookAndRemovesItsFiles)
{
    // A book big enough to still be converting when the interrupt comes.
    const fs::path book = m_dir / "long.mobi";
    ASSERT_TRUE(WriteChapterBook(book, 400));
    const pid_t pid = Start({book.string()});
    // Wait until the conversion has put its copy into the work folder.
    for (int i = 0; i < 6000 && WorkFolderIsEmpty(); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    ASSERT_FALSE(WorkFolderIsEmpty());
    kill(pid, SIGINT);
    const CliRun run = Finish(pid);
    if (run.out.rfind("Finished: ", 0) == 0)
        GTEST_SKIP() << "the book was converted before the interrupt arrived";
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_EQ(run.out, "Stopped: " + book.string() + "\n");
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

    const pid_t killed = Start({book.string()});
    const auto line = waiting.ReadLine();
    ASSERT_TRUE(line) << "the stand-in mobi2html never started";
    ProcessWatch tool(static_cast<pid_t>(std::atoi(line->c_str())));
    kill(killed, SIGKILL);
    Finish(killed);
    EXPECT_TRUE(tool.WaitForEnd()) << "the tool runs on after the program died";
    ASSERT_FALSE(WorkFolderIsEmpty());  // the book's copy and a half-made page folder

    // What a kill during the final copy leaves beside the PDF, and a file
    // that a running instance is writing there.
    const fs::path staged = m_dir / (".corvale-" + std::to_string(killed) + "-1.tmp");
    const fs::path running = m_dir / (".corvale-" + std::to_string(getpid()) + "-1.tmp");
    ASSERT_TRUE(WriteTextFile(staged, "half a PDF"));
    ASSERT_TRUE(WriteTextFile(running, "being written"));
    fs::remove(core / "hold-mobi2html");
    const CliRun run = Convert({book.string()});
    EXPECT_EQ(run.exitCode, 0) << run.out << run.err;
    EXPECT_TRUE(WorkFolderIsEmpty());
    EXPECT_FALSE(fs::exists(staged));
    EXPECT_TRUE(fs::exists(running));
    EXPECT_NE(ReadTextFile(m_dir / "a.pdf").find("words"), std::string::npos);
}
