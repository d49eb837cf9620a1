#include "fake_engine.h"

#include "engine/job_reasons.h"
#include "base/paths.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <condition_variable>
#include <filesystem>
#include <functional>
#include <future>

#include <sys/stat.h>

namespace fs = std::filesystem;

namespace {

// Runs one whole run and waits for the worker's end.
void RunToEnd(FakeEngine& engine)
{
    ASSERT_TRUE(engine.Start());
    engine.WaitForWorker();
}

std::vector<Event> JobEvents(const std::vector<Event>& events, int index)
{
    std::vector<Event> result;
    for (const Event& e : events)
        if (e.event == EVENT_JOB_STATE && e.index == index)
            result.push_back(e);
    return result;
}

}  // namespace

TEST(EngineQueue, AcceptsOnlyTheSourceExtension)
{
    FakeEngine engine;
    EXPECT_EQ(engine.AddJob(L"/in/book.MOBI"), 0);
    EXPECT_EQ(engine.AddJob(L"/in/other.mObI"), 1);
    EXPECT_EQ(engine.AddJob(L"/in/book.epub"), -1);
    EXPECT_EQ(engine.AddJob(L"/in/book"), -1);
    EXPECT_EQ(engine.AddJob(L"/in/book."), -1);
    EXPECT_EQ(engine.AddJob(L"/in/a.mobi/book"), -1);  // the dot lies in a folder name
    EXPECT_EQ(engine.AddJob(L"/in/book.mobi.bak"), -1);
    EXPECT_EQ(engine.GetJobCount(), 2);
    EXPECT_EQ(engine.GetJob(0).source, L"/in/book.MOBI");
    EXPECT_EQ(engine.GetJob(0).state, STATUS_NONE);

    const JobItem missing = engine.GetJob(7);
    EXPECT_TRUE(missing.source.empty());
    EXPECT_EQ(missing.state, STATUS_NONE);
    engine.SetJobState(STATUS_FAILED, 7);  // ignored, nothing reported
    EXPECT_TRUE(engine.Events().empty());

    engine.ClearJobs();
    EXPECT_EQ(engine.GetJobCount(), 0);
}

TEST(EngineRun, EmptyRunReportsStartedThenFinished)
{
    FakeEngine engine;
    RunToEnd(engine);
    EXPECT_EQ(engine.Events(), (std::vector<Event>{{2, -1, 2}, {2, -1, 5}}));
    EXPECT_EQ(engine.m_nState, STATUS_FINISHED);
    EXPECT_FALSE(engine.IsWorkerRunning());
}

TEST(EngineRun, EventsOfOneRunInOrder)
{
    TempDir dir;
    FakeEngine engine;
    engine.m_strOutputFolder = FromNativePath(dir.path());
    engine.AddJob(L"/in/a.mobi");
    engine.AddJob(L"/in/b.mobi");
    engine.convert = [&](const std::wstring& source, const std::wstring&) {
        return source == L"/in/a.mobi";  // the second one fails
    };
    RunToEnd(engine);
    EXPECT_EQ(engine.Events(), (std::vector<Event>{
                                   {2, -1, 2},
                                   {3, 0, 1}, {3, 1, 1},
                                   {3, 0, 2}, {3, 0, 5},
                                   {3, 1, 2}, {3, 1, 6},
                                   {2, -1, 5},
                               }));
    EXPECT_EQ(engine.GetJob(0).target, FromNativePath(dir.path() / "a.pdf"));
    EXPECT_EQ(engine.m_nShare, 50);
    EXPECT_EQ(engine.m_nCurrent, -1);
}

TEST(EngineRun, ExistingTargetIsKeptWithoutTheOwnersYes)
{
    TempDir dir;
    ASSERT_TRUE(WriteTextFile(dir / "a.pdf", "old"));
    for (bool withCallback : {true, false}) {
        FakeEngine engine;
        engine.m_strOutputFolder = FromNativePath(dir.path());
        engine.AddJob(L"/in/a.mobi");
        engine.AddJob(L"/in/b.mobi");
        if (withCallback)
            engine.answer = [](const Event&) { return 0; };
        else
            engine.m_pfnCallback = nullptr;
        RunToEnd(engine);
        EXPECT_EQ(engine.GetJob(0).state, STATUS_STOPPED);
        EXPECT_EQ(engine.GetJob(1).state, STATUS_FINISHED);  // the run goes on
        EXPECT_EQ(engine.Converted().size(), 1u);
        EXPECT_EQ(ReadTextFile(dir / "a.pdf"), "old");
        if (withCallback) {
            EXPECT_EQ(JobEvents(engine.Events(), 0),
                      (std::vector<Event>{{3, 0, 1}, {3, 0, 2}, {3, 0, 4}}));
        }
    }
}

TEST(EngineRun, AnyEntryAtTheTargetIsReplacedOnlyAfterTheOwnersYes)
{
    TempDir dir;
    const fs::path target = dir / "a.pdf";
    const std::vector<std::pair<const char*, std::function<void()>>> entries = {
        {"nothing", [] {}},
        {"file of mode 000", [&] { WriteTextFile(target, "old"); fs::permissions(target, fs::perms::none); }},
        {"folder", [&] { fs::create_directory(target); }},
#ifndef _WIN32
        {"dangling link", [&] { fs::create_symlink(dir / "nowhere", target); }},
        {"link to a file", [&] { fs::create_symlink("/dev/null", target); }},
        {"FIFO", [&] { ASSERT_EQ(mkfifo(target.c_str(), 0600), 0); }},  // opening it would block
#endif
    };
    for (const auto& [name, make] : entries) {
        for (const bool yes : {false, true}) {
            SCOPED_TRACE(std::string(name) + (yes ? ", yes" : ", no"));
#ifdef _WIN32
            // A read-only file can't be removed there until it is writable.
            std::error_code ignored;
            fs::permissions(target, fs::perms::owner_all, ignored);
#endif
            fs::remove_all(target);
            make();
            const bool exists = std::string(name) != "nothing";
            FakeEngine engine;
            engine.m_strOutputFolder = FromNativePath(dir.path());
            engine.AddJob(L"/in/a.mobi");
            engine.answer = [yes](const Event& e) { return e.event == EVENT_ASK_OVERWRITE && yes ? 1 : 0; };
            bool agreed = false;
            engine.convert = [&](const std::wstring&, const std::wstring&) {
                agreed = engine.IsReplaceAgreed();
                return true;
            };
            RunToEnd(engine);
            const std::vector<Event> events = engine.Events();
            EXPECT_EQ(std::count(events.begin(), events.end(), Event{1, 0, 0}), exists ? 1 : 0);
            const bool converted = !exists || yes;
            EXPECT_EQ(engine.Converted().size(), converted ? 1u : 0u);
            EXPECT_EQ(agreed, exists && yes);
            EXPECT_EQ(engine.GetJob(0).state, converted ? STATUS_FINISHED : STATUS_STOPPED);
            EXPECT_EQ(engine.GetJob(0).reason, converted ? L"" : reasons::kTargetKept);
            EXPECT_EQ(fs::exists(fs::symlink_status(target)), exists);
        }
    }
}

TEST(EngineRun, ReasonAndNoteReachTheOwnerWithTheFinalStateOnly)
{
    struct Case {
        const char* name;
        bool converted;           // what the conversion returns
        bool stop;                // a stop request comes during the conversion
        int32_t state;            // the job's final state
        std::wstring seenReason;  // the reason the owner reads at that event
        std::wstring seenNote;    // and the note: only a written PDF has one
    };
    const Case cases[] = {
        {"failure", false, false, STATUS_FAILED, L"the reason", L""},
        {"stop", false, true, STATUS_STOPPED, L"", L""},
        {"finished", true, false, STATUS_FINISHED, L"", L"the note"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        FakeEngine engine;
        engine.m_strOutputFolder = L"/nonexistent-out";
        engine.AddJob(L"/in/a.mobi");
        std::wstring seenReason = L"(no final event)";
        std::wstring seenNote = L"(no final event)";
        engine.answer = [&](const Event& e) {
            if (e.event == EVENT_JOB_STATE && e.code == c.state) {
                seenReason = engine.GetJob(0).reason;
                seenNote = engine.GetJob(0).note;
            }
            return 0;
        };
        engine.convert = [&](const std::wstring&, const std::wstring&) {
            engine.SetJobReason(0, L"the reason");
            engine.SetJobNote(0, L"the note");
            if (c.stop)
                engine.RequestStop();
            return c.converted;
        };
        RunToEnd(engine);
        EXPECT_EQ(engine.GetJob(0).state, c.state);
        EXPECT_EQ(seenReason, c.seenReason);
        EXPECT_EQ(seenNote, c.seenNote);

        engine.convert = nullptr;  // a new run starts without the old reason and note
        RunToEnd(engine);
        EXPECT_EQ(engine.GetJob(0).state, STATUS_FINISHED);
        EXPECT_TRUE(engine.GetJob(0).reason.empty());
        EXPECT_TRUE(engine.GetJob(0).note.empty());
    }
}

TEST(EngineRun, ExistingTargetIsConvertedWhenTheOwnerSaysYes)
{
    TempDir dir;
    ASSERT_TRUE(WriteTextFile(dir / "a.pdf", "old"));
    FakeEngine engine;
    engine.m_strOutputFolder = FromNativePath(dir.path());
    engine.AddJob(L"/in/a.mobi");
    engine.answer = [](const Event& e) { return e.event == EVENT_ASK_OVERWRITE ? 1 : 0; };
    RunToEnd(engine);
    const std::vector<Event> events = engine.Events();
    EXPECT_NE(std::find(events.begin(), events.end(), Event{1, 0, 0}), events.end());
    EXPECT_EQ(engine.GetJob(0).state, STATUS_FINISHED);
}

TEST(EngineRun, StopDuringAConversionStopsThatJobAndTheWaitingOnes)
{
    FakeEngine engine;
    engine.m_strOutputFolder = L"/nonexistent-out";
    for (const wchar_t* name : {L"/in/a.mobi", L"/in/b.mobi", L"/in/c.mobi"})
        engine.AddJob(name);
    std::promise<void> entered, stopRequested;
    auto stopped = stopRequested.get_future();
    engine.convert = [&](const std::wstring&, const std::wstring&) {
        entered.set_value();
        stopped.wait();
        return false;  // a conversion cut off by the stop
    };
    ASSERT_TRUE(engine.Start());
    entered.get_future().wait();
    engine.RequestStop();
    EXPECT_EQ(engine.m_nState, STATUS_PAUSING);
    stopRequested.set_value();
    engine.WaitForWorker();

    EXPECT_EQ(engine.GetJob(0).state, STATUS_STOPPED);
    EXPECT_EQ(engine.GetJob(1).state, STATUS_STOPPED);
    EXPECT_EQ(engine.GetJob(2).state, STATUS_STOPPED);
    EXPECT_EQ(engine.Converted().size(), 1u);
    const std::vector<Event> events = engine.Events();
    ASSERT_GE(events.size(), 2u);
    EXPECT_EQ(events[events.size() - 1], (Event{2, -1, 4}));
    EXPECT_NE(std::find(events.begin(), events.end(), Event{2, -1, 3}), events.end());
    EXPECT_EQ(std::count(events.begin(), events.end(), Event{3, 0, 6}), 0);
    EXPECT_EQ(engine.m_nState, STATUS_STOPPED);
}

TEST(EngineRun, StopAfterTheLastResultEndsStoppedWithoutChangingJobs)
{
    FakeEngine engine;
    engine.m_strOutputFolder = L"/nonexistent-out";
    engine.AddJob(L"/in/a.mobi");
    engine.answer = [&](const Event& e) {
        if (e == Event{3, 0, 5})
            engine.RequestStop();
        return 0;
    };
    RunToEnd(engine);
    const std::vector<Event> events = engine.Events();
    ASSERT_GE(events.size(), 3u);
    EXPECT_EQ(events[events.size() - 3], (Event{3, 0, 5}));
    EXPECT_EQ(events[events.size() - 2], (Event{2, -1, 3}));
    EXPECT_EQ(events[events.size() - 1], (Event{2, -1, 4}));
    EXPECT_EQ(engine.GetJob(0).state, STATUS_FINISHED);
}

TEST(EngineRun, RequestStopWhileIdleDoesNothing)
{
    FakeEngine engine;
    engine.RequestStop();
    EXPECT_TRUE(engine.Events().empty());
    EXPECT_EQ(engine.m_nState, STATUS_NONE);
    RunToEnd(engine);
    engine.ClearRecords();
    engine.RequestStop();
    EXPECT_TRUE(engine.Events().empty());
    EXPECT_EQ(engine.m_nState, STATUS_FINISHED);
}

TEST(EngineTargets, SameFolderAndTrailingSeparators)
{
    FakeEngine engine;
    engine.m_strOutputFolder = L"/out///";
    engine.AddJob(L"/in/My Book.mobi");
    RunToEnd(engine);
    // Joined with this platform's own separator.
    const std::wstring separator(1, kPathSeparator);
    EXPECT_EQ(engine.GetJob(0).target, L"/out" + separator + L"My Book.pdf");

    engine.m_bSameFolder = true;
    RunToEnd(engine);
    EXPECT_EQ(engine.GetJob(0).target, L"/in" + separator + L"My Book.pdf");

    EXPECT_EQ(engine.BuildTargetPath(L"/", L"/in/x.mobi"), L"/x.pdf");
    EXPECT_EQ(engine.BuildTargetPath(L"/out", L"/in/x.PDF"), L"/out" + separator + L"x.PDF");
}

TEST(EngineRun, JobAddedDuringTheRunIsConverted)
{
    FakeEngine engine;
    engine.m_strOutputFolder = L"/nonexistent-out";
    engine.AddJob(L"/in/a.mobi");
    engine.convert = [&](const std::wstring& source, const std::wstring&) {
        if (source == L"/in/a.mobi")
            engine.AddJob(L"/in/late.mobi");
        return true;
    };
    RunToEnd(engine);
    ASSERT_EQ(engine.GetJobCount(), 2);
    EXPECT_EQ(engine.GetJob(1).state, STATUS_FINISHED);
    EXPECT_EQ(engine.Converted().size(), 2u);
}

TEST(EngineRun, SecondRunResetsFinishedJobsToWaiting)
{
    FakeEngine engine;
    engine.m_strOutputFolder = L"/nonexistent-out";
    engine.AddJob(L"/in/a.mobi");
    RunToEnd(engine);
    ASSERT_EQ(engine.GetJob(0).state, STATUS_FINISHED);
    engine.ClearRecords();
    RunToEnd(engine);
    EXPECT_EQ(JobEvents(engine.Events(), 0),
              (std::vector<Event>{{3, 0, 1}, {3, 0, 2}, {3, 0, 5}}));
    EXPECT_EQ(engine.Converted().size(), 1u);
}

TEST(EngineRun, JobMarkedFinishedByTheOwnerIsSkipped)
{
    FakeEngine engine;
    engine.m_strOutputFolder = L"/nonexistent-out";
    engine.AddJob(L"/in/a.mobi");
    engine.AddJob(L"/in/b.mobi");
    engine.answer = [&](const Event& e) {
        if (e == Event{3, 0, 2})
            engine.SetJobState(STATUS_FINISHED, 1);
        return 0;
    };
    RunToEnd(engine);
    EXPECT_EQ(engine.Converted().size(), 1u);
    EXPECT_TRUE(JobEvents(engine.Events(), 1).size() == 2u);  // waiting, then the owner's 5
}

TEST(EngineRun, SecondStartIsRefusedWhileTheWorkerRuns)
{
    FakeEngine engine;
    engine.m_strOutputFolder = L"/nonexistent-out";
    engine.AddJob(L"/in/a.mobi");
    std::promise<void> entered, release;
    auto released = release.get_future();
    engine.convert = [&](const std::wstring&, const std::wstring&) {
        entered.set_value();
        released.wait();
        return true;
    };
    ASSERT_TRUE(engine.Start());
    entered.get_future().wait();
    EXPECT_TRUE(engine.IsWorkerRunning());
    EXPECT_FALSE(engine.Start());
    release.set_value();
    engine.WaitForWorker();
    EXPECT_FALSE(engine.IsWorkerRunning());
    EXPECT_EQ(engine.GetJob(0).state, STATUS_FINISHED);
}

TEST(EngineLifetime, DestroyingARunningEngineStopsItsWorkerBeforeTheSubclassGoes)
{
    // Destroyed through the base, as any owner may: the worker, still in
    // the subclass's conversion, calls the subclass's tool-output hook after
    // the stop (as the runner does when it drains a stopped tool) and then
    // reports the run's end through the subclass's callback. The report of
    // the stop request waits until the worker has stopped the last job, so
    // a run end reported before "pausing" would show.
    std::promise<void> entered;
    std::mutex lock;
    std::condition_variable changed;
    std::vector<Event> events;
    std::unique_ptr<VelmoraEng> owned = std::make_unique<FakeEngine>();
    auto& engine = static_cast<FakeEngine&>(*owned);
    engine.m_strOutputFolder = L"/nonexistent-out";
    engine.AddJob(L"/in/a.mobi");
    engine.AddJob(L"/in/b.mobi");
    engine.convert = [&entered, &engine](const std::wstring&, const std::wstring&) {
        entered.set_value();
        while (engine.m_nState == STATUS_STARTED)
            std::this_thread::yield();
        engine.OnToolOutput("output after the stop");
        return false;
    };
    engine.answer = [&](const Event& e) {
        std::unique_lock guard(lock);
        if (e == Event{EVENT_RUN_STATE, -1, STATUS_PAUSING})
            changed.wait(guard, [&] {
                return std::find(events.begin(), events.end(), Event{EVENT_JOB_STATE, 1, STATUS_STOPPED}) !=
                       events.end();
            });
        events.push_back(e);
        changed.notify_all();
        return 0;
    };
    ASSERT_TRUE(engine.Start());
    entered.get_future().wait();
    owned.reset();

    std::lock_guard guard(lock);
    ASSERT_FALSE(events.empty());
    EXPECT_EQ(events.back(), (Event{EVENT_RUN_STATE, -1, STATUS_STOPPED}));
}
