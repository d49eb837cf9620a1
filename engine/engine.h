// The conversion engine: the queue of one run, its worker thread, the status
// events, and the runner of the external tools. What depends on the formats
// is reached through the virtual operations.
#pragma once

#include "status.h"

#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <utility>
#include <vector>

class ChildProcess;

template <class EngineClass>
class Engine;

// The base of every engine. Engines are made only as Engine<T> (below): the
// worker calls the subclass's ConvertFile, so the worker must have ended
// before any subclass part is destroyed, and only the most derived class can
// see to that.
class VelmoraEng {
protected:
    // Made only by Engine<T>, so no engine class can be used without it.
    class Key {
        Key() = default;
        template <class>
        friend class Engine;
    };

public:
    explicit VelmoraEng(Key);
    // The worker has ended by now (Engine<T> stopped and joined it).
    virtual ~VelmoraEng();
    VelmoraEng(const VelmoraEng&) = delete;
    VelmoraEng& operator=(const VelmoraEng&) = delete;

    // Accepted source extensions without dots, separated by semicolons; an
    // empty list accepts every file.
    virtual std::wstring GetSourceExtensions() const = 0;
    // Extension, without a dot, that every target gets.
    virtual std::wstring GetTargetExtension() const = 0;
    // Converts one file on the worker thread; true only when the target has
    // been written.
    virtual bool ConvertFile(const std::wstring& source, const std::wstring& target) = 0;
    // Receives each chunk of a tool's output (zero-terminated, at most 4096
    // bytes) on the worker thread.
    virtual void OnToolOutput(const char* chunk) = 0;

    // --- for the owner -----------------------------------------------------
    int AddJob(const std::wstring& path);  // index, or -1 when refused
    void ClearJobs();                      // only while no worker runs
    JobItem GetJob(int index) const;       // a copy; empty for a bad index
    void SetJobState(int32_t state, int index);
    int GetJobCount() const;
    // True when the path's extension is one of GetSourceExtensions (in any
    // ASCII case); the dot must lie in the file name.
    bool IsSourceAccepted(const std::wstring& path) const;
    bool Start();        // false (run reported stopped) when no worker could start
    void RequestStop();  // only acts while the run state is STATUS_STARTED
    bool IsWorkerRunning() const { return m_bWorkerActive.load(); }
    void WaitForWorker();  // joins the worker of the last run, if any
    void StopAndWait();    // RequestStop, then WaitForWorker

    // --- child process runner and work folder ------------------------------
    // The tool folder ("core" beside the executable, ending in a separator)
    // followed by `name`. m_strToolFolder, when set, replaces that folder.
    std::wstring GetToolPath(const std::wstring& name = std::wstring()) const;
    // Creates the work folder and returns a fresh, unique work path for the
    // prefix (no file is created).
    std::wstring MakeWorkPath(const std::wstring& prefix) const;
    // Writes the one-shot script for a command; its path, or empty on failure.
    // On Windows the script takes the command from the environment RunTool
    // gives it, so that no letter of it depends on the console's code page.
    std::wstring WriteToolScript(const std::wstring& commandLine) const;
    // Runs a command through a script and waits for it; true when the child
    // was started and the run is still STATUS_STARTED afterwards.
    bool RunTool(const std::wstring& commandLine);

    // The work folder: $XDG_CACHE_HOME/Velmora (or ~/.cache/Velmora) here, the
    // roaming application-data folder followed by \Velmora on Windows.
    static std::wstring GetWorkFolder();

    // Quotes a path for the script so the shell takes it literally.
    static std::wstring QuoteScriptArgument(const std::wstring& path);

    // --- fields ------------------------------------------------------------
    std::atomic<int32_t> m_nShare{0};     // progress share of one file: 100 / jobs
    std::atomic<int32_t> m_nPosition{0};  // progress position 0..100 for the owner
    std::atomic<int32_t> m_nBase{0};      // position at which the current file began
    std::atomic<int32_t> m_nState{STATUS_NONE};  // run state
    std::atomic<int32_t> m_nCurrent{-1};  // job being converted, -1 when none
    std::wstring m_strOutputFolder;       // set by the owner before Start
    std::atomic<bool> m_bSameFolder{false};  // targets beside their sources
    StatusCallback m_pfnCallback = nullptr;
    intptr_t m_pUserData = 0;
    std::wstring m_strToolFolder;  // overrides the tool folder when not empty

protected:
    std::wstring BuildTargetPath(const std::wstring& folder, const std::wstring& source) const;
    void ProcessJobs();
    int32_t Report(int32_t event, int32_t index, int32_t code);  // the callback's answer, or 0

    // For ConvertFile, about the job being converted: the owner agreed to
    // replace an entry at its target (otherwise none may be replaced); why it
    // did not finish; what its finished PDF lacks; and that it ends
    // STATUS_STOPPED because an entry that appeared at its target meanwhile
    // was kept.
    bool IsReplaceAgreed() const { return m_bReplaceAgreed; }
    void SetJobReason(int index, const std::wstring& reason);
    void SetJobNote(int index, const std::wstring& note);
    void MarkTargetKept() { m_bTargetKept = true; }

private:
    void DrainToolOutput(ChildProcess& child);
    void StopRun();  // step "stopped" of the worker

    mutable std::mutex m_lock;  // guards m_jobs and every job's fields
    // Orders a stop request's report before the report of the run's end.
    std::mutex m_runEndLock;
    std::vector<std::unique_ptr<JobItem>> m_jobs;
    std::thread m_thread;
    std::atomic<bool> m_bWorkerActive{false};
    std::atomic<bool> m_bReplaceAgreed{false};
    std::atomic<bool> m_bTargetKept{false};
};

// An engine of class EngineClass that, when destroyed, first stops a running
// worker and waits for it, while every part the worker uses still exists.
// Construction arguments are passed on after the key.
template <class EngineClass>
class Engine final : public EngineClass {
public:
    template <class... Args>
    explicit Engine(Args&&... args) : EngineClass(VelmoraEng::Key(), std::forward<Args>(args)...)
    {
    }
    ~Engine() override { this->StopAndWait(); }
};
