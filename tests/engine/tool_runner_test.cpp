#include "fake_engine.h"

#include "base/paths.h"
#include "base/process_names.h"
#include "support/scoped_env.h"
#include "support/process_watch.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <fstream>
#include <future>
#include <signal.h>
#include <thread>

namespace {

// An engine whose run is "started" so RunTool works outside a real run, with
// its work folder in a temporary cache folder and every tool output kept.
class RunnerProbe : public RecordingEngine {
public:
    explicit RunnerProbe(Key key) : RecordingEngine(key) { m_nState = STATUS_STARTED; }
    void OnToolOutput(const char* chunk) override
    {
        std::lock_guard guard(m_outputLock);
        m_output += chunk;
    }
    std::string Output()
    {
        std::lock_guard guard(m_outputLock);
        return m_output;
    }

private:
    std::mutex m_outputLock;
    std::string m_output;
};

using RunnerEngine = Engine<RunnerProbe>;

class ToolRunner : public ::testing::Test {
protected:
    std::filesystem::path WorkFolder() const { return m_cache.WorkFolder(); }
    size_t FilesInWorkFolder() const
    {
        std::error_code error;
        size_t count = 0;
        for (auto it = std::filesystem::directory_iterator(WorkFolder(), error);
             !error && it != std::filesystem::directory_iterator(); ++it)
            ++count;
        return count;
    }
    static std::wstring Quote(const std::filesystem::path& path)
    {
        return VelmoraEng::QuoteScriptArgument(FromNativePath(path));
    }

    TempCacheHome m_cache;
    TempDir m_files;
};

}  // namespace

TEST_F(ToolRunner, QuickToolRunsAndItsOutputReachesTheHook)
{
    RunnerEngine engine;
    EXPECT_TRUE(engine.RunTool(L"echo converted; echo to-stderr 1>&2"));
    EXPECT_NE(engine.Output().find("converted\n"), std::string::npos);
    EXPECT_NE(engine.Output().find("to-stderr\n"), std::string::npos);
    EXPECT_EQ(FilesInWorkFolder(), 0u);  // the script removed itself
}

TEST_F(ToolRunner, ToolReadsAnEmptyStandardInput)
{
    RunnerEngine engine;
    EXPECT_TRUE(engine.RunTool(L"cat; echo input-ended"));  // would hang on a terminal
    EXPECT_NE(engine.Output().find("input-ended"), std::string::npos);
}

TEST_F(ToolRunner, ToolThatWritesSeveralMegabytesFinishes)
{
    RunnerEngine engine;
    EXPECT_TRUE(engine.RunTool(L"head -c 5000000 /dev/zero | tr '\\0' x"));
    EXPECT_EQ(engine.Output().size(), 5000000u);
}

TEST_F(ToolRunner, StopEndsTheWaitAndTheToolWithIt)
{
    RunnerEngine engine;
    const std::filesystem::path pidFifo = m_files / "pid";
    FifoReader started(pidFifo);
    const std::wstring command = L"sh -c 'echo $$ > \"$1\"; exec sleep 600' sh " + Quote(pidFifo);
    auto result = std::async(std::launch::async, [&] { return engine.RunTool(command); });

    const auto line = started.ReadLine();
    ASSERT_TRUE(line);
    const pid_t pid = static_cast<pid_t>(std::atoi(line->c_str()));
    ASSERT_GT(pid, 0);
    ProcessWatch tool(pid);
    ASSERT_FALSE(ProcessHasEnded(pid));

    engine.m_nState = STATUS_PAUSING;
    EXPECT_FALSE(result.get());
    EXPECT_TRUE(tool.WaitForEnd());
    EXPECT_EQ(FilesInWorkFolder(), 0u);
}

TEST_F(ToolRunner, StopRequestedBeforeTheRunStillStartsTheToolOnce)
{
    RunnerEngine engine;
    engine.m_nState = STATUS_PAUSING;
    const std::filesystem::path marker = m_files / "ran";
    EXPECT_FALSE(engine.RunTool(L"touch " + Quote(marker)));
    EXPECT_TRUE(std::filesystem::exists(marker));
}

TEST_F(ToolRunner, ScriptIsUtf8AndRemovesItselfBeforeTheCommand)
{
    RunnerEngine engine;
    const std::wstring script = engine.WriteToolScript(L"echo Gr\u00FC\u00DFe \u6587");
    ASSERT_FALSE(script.empty());
    const std::string text = ReadTextFile(ToNativePath(script));
    std::filesystem::remove(ToNativePath(script));
    const std::string quotedPath = "'" + ToNativeBytes(script) + "'";
    EXPECT_EQ(text, "export LANG=C.UTF-8 LC_ALL=C.UTF-8\nrm -f -- " + quotedPath +
                        "\n\necho Gr\xC3\xBC\xC3\x9F" "e \xE6\x96\x87\n");
    EXPECT_EQ(text.find('\r'), std::string::npos);
}

TEST_F(ToolRunner, PathsReachTheToolUnchangedWhateverTheyHold)
{
    RunnerEngine engine;
    const std::string name = "a $HOME \"q\" 'x' `id` \\ %PATH% ; \xC3\xA9 b.txt";
    const std::filesystem::path file = m_files / name;
    ASSERT_TRUE(WriteTextFile(file, "payload"));
    EXPECT_TRUE(engine.RunTool(L"cat " + Quote(file) + L"; printf '[%s]' " + Quote(file)));
    EXPECT_EQ(engine.Output(), "payload[" + file.string() + "]");
}

TEST_F(ToolRunner, WorkPathsAreUniqueAndInTheWorkFolder)
{
    RunnerEngine engine;
    const std::wstring a = engine.MakeWorkPath(L"tmpmobi");
    const std::wstring b = engine.MakeWorkPath(L"tmpmobi");
    EXPECT_NE(a, b);
    EXPECT_EQ(GetFolderPart(a), FromNativePath(WorkFolder()));
    EXPECT_EQ(GetFileNamePart(a).rfind(L"tmpmobi", 0), 0u);
    EXPECT_TRUE(std::filesystem::is_directory(WorkFolder()));
}

TEST_F(ToolRunner, ToolPathIsTheCoreFolderBesideTheExecutable)
{
    RunnerEngine engine;
    EXPECT_EQ(engine.GetToolPath(L"mobi2html"), FromNativePath(std::filesystem::path(CORVALE_BIN_DIR) / "core" / "mobi2html"));
    engine.m_strToolFolder = L"/opt/tools";
    EXPECT_EQ(engine.GetToolPath(), L"/opt/tools/");
}

TEST_F(ToolRunner, MissingToolRunsButLeavesNothing)
{
    RunnerEngine engine;
    EXPECT_TRUE(engine.RunTool(Quote(m_files / "no-such-tool") + L" in out"));
    EXPECT_NE(engine.Output().find("no-such-tool"), std::string::npos);  // the shell says so
}

TEST(ProcessNames, OnlyLeftoversOfEndedProcessesAreRemoved)
{
    TempDir dir;
    const std::string dead = std::to_string(EndedProcessId());
    const std::string live = std::to_string(getpid());
    struct Entry {
        std::string name;
        bool folder;
        bool removed;
    };
    const Entry entries[] = {
        {"tmpmobi123-" + dead + "-4.mobi", false, true},
        {"tmpmobi123-" + dead + "-4_html", true, true},
        {"velmora9-" + dead + "-1.sh", false, true},
        {".corvale-" + dead + "-7.tmp", false, true},
        {"tmpmobi123-" + live + "-4.mobi", false, false},  // a running process's
        {".corvale-" + live + "-7.tmp", false, false},
        {".corvale-" + dead + "-8.tmp", true, false},  // a folder is never a staged file
        {".corvale-3.tmp", false, false},              // no process in the name
        {".corvale-" + dead + "-7.tmp.pdf", false, false},
        {"tmpmobi123-" + dead, false, false},
        {"123-" + dead + "-4.mobi", false, false},
        {"My Book " + dead + "-1-2.pdf", false, false},
    };
    for (const Entry& e : entries) {
        if (e.folder) {
            std::filesystem::create_directories(dir / e.name / "inside");
        } else {
            ASSERT_TRUE(WriteTextFile(dir / e.name, "x"));
        }
    }
    RemoveWorkLeftovers(dir.path());
    RemoveStagedLeftovers(dir.path());
    for (const Entry& e : entries)
        EXPECT_EQ(std::filesystem::exists(dir / e.name), !e.removed) << e.name;
}
