#include "fake_engine.h"

#include "engine/paths.h"
#include "support/scoped_env.h"
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

// True when no process with this pid runs any more (gone, or a zombie that
// nobody has collected yet and that runs nothing).
bool ProcessHasEnded(pid_t pid)
{
    std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
    if (!stat)
        return true;
    std::string line;
    std::getline(stat, line);
    const size_t close = line.rfind(')');
    return close != std::string::npos && close + 2 < line.size() && line[close + 2] == 'Z';
}

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
    const std::filesystem::path pidFile = m_files / "pid";
    const std::wstring command = L"sh -c 'echo $$ > \"$1\"; exec sleep 600' sh " + Quote(pidFile);
    auto result = std::async(std::launch::async, [&] { return engine.RunTool(command); });

    // Bounded wait for the tool to have started.
    for (int i = 0; i < 3000 && ReadTextFile(pidFile).empty(); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    const pid_t pid = static_cast<pid_t>(std::atoi(ReadTextFile(pidFile).c_str()));
    ASSERT_GT(pid, 0);
    ASSERT_FALSE(ProcessHasEnded(pid));

    engine.m_nState = STATUS_PAUSING;
    EXPECT_FALSE(result.get());
    // SIGKILL delivery is asynchronous: allow a bounded moment for it.
    for (int i = 0; i < 500 && !ProcessHasEnded(pid); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    EXPECT_TRUE(ProcessHasEnded(pid));
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

TEST_F(ToolRunner, ScriptIsUtf8WithItsFiveLines)
{
    RunnerEngine engine;
    const std::wstring script = engine.WriteToolScript(L"echo Gr\u00FC\u00DFe \u6587");
    ASSERT_FALSE(script.empty());
    const std::string text = ReadTextFile(ToNativePath(script));
    std::filesystem::remove(ToNativePath(script));
    const std::string quotedPath = "'" + ToNativeBytes(script) + "'";
    EXPECT_EQ(text, "export LANG=C.UTF-8 LC_ALL=C.UTF-8\n\necho Gr\xC3\xBC\xC3\x9F" "e \xE6\x96\x87\n\nrm -f -- " +
                        quotedPath + "\n");
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
