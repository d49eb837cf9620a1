// corvale-convert: the conversion engine on the command line, for scripts and
// for people converting many books at once.
#include "cli_options.h"
#include "console_report.h"

#include "engine/mobi_pdf.h"
#include "base/paths.h"
#include "base/utf8_arguments.h"
#include "settings/options.h"

#include "corvale_version.h"

#include <atomic>
#include <csignal>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#ifdef _WIN32
#include <windows.h>
#else
#include <pthread.h>
#include <time.h>
#endif

namespace {

// The engine reporting each book on the console, with the engine's reason
// for a book that did not finish and its note on a PDF that lacks something.
class ConsoleEngine : public MobiPdfEng {
public:
    ConsoleEngine(Key key, ConsoleReport& report, bool replace)
        : MobiPdfEng(key), m_report(report), m_bReplace(replace)
    {
        m_pfnCallback = &ConsoleEngine::Callback;
        m_pUserData = reinterpret_cast<intptr_t>(this);
    }

    bool AllFinished() const { return m_nFinished == GetJobCount(); }

private:
    static int32_t Callback(intptr_t user, int32_t event, int32_t index, int32_t code)
    {
        return reinterpret_cast<ConsoleEngine*>(user)->OnEvent(event, index, code);
    }

    int32_t OnEvent(int32_t event, int32_t index, int32_t code)
    {
        if (event == EVENT_ASK_OVERWRITE) {
            m_nKeptTarget = m_bReplace ? -1 : index;
            return m_bReplace ? 1 : 0;
        }
        if (event != EVENT_JOB_STATE)
            return 0;
        const JobItem job = GetJob(index);
        const std::string source = ToNativeBytes(job.source);
        const std::string reason = job.reason.empty() ? std::string() : " (" + ToNativeBytes(job.reason) + ")";
        switch (code) {
        case STATUS_PROCESSING:
            m_report.Progress(m_nPosition, ToNativeBytes(GetFileNamePart(job.source)));
            break;
        case STATUS_FINISHED:
            ++m_nFinished;
            m_nBase = m_nPosition.load();
            m_report.Line("Finished: " + ToNativeBytes(job.target) +
                          (job.note.empty() ? std::string() : " (but " + ToNativeBytes(job.note) + ")"));
            break;
        case STATUS_FAILED:
            m_report.Line("Failed: " + source + reason);
            break;
        case STATUS_STOPPED:
            m_nBase = m_nBase + m_nShare;
            m_report.Line("Stopped: " + source +
                          (m_nKeptTarget == index ? " (" + ToNativeBytes(job.target) + " exists; --replace replaces it)"
                                                  : reason));
            break;
        default:
            break;
        }
        return 0;
    }

    ConsoleReport& m_report;
    const bool m_bReplace;
    std::atomic<int> m_nFinished{0};
    std::atomic<int> m_nKeptTarget{-1};  // the book whose existing PDF was kept
};

// A path of the command line (native bytes; UTF-8 on Windows) as an
// absolute path.
std::wstring AbsoluteArgument(const std::string& path)
{
    return AbsolutePath(FromNativePath(PathFromText(path)));
}

#ifdef _WIN32
// Set by the console's Ctrl+C, Ctrl+Break or closing, which Windows reports
// on a thread of its own.
HANDLE g_hInterrupted = nullptr;
BOOL WINAPI OnConsoleControl(DWORD event)
{
    if (event != CTRL_C_EVENT && event != CTRL_BREAK_EVENT && event != CTRL_CLOSE_EVENT) return FALSE;
    SetEvent(g_hInterrupted);
    return TRUE;
}
#endif

// Waits for the run's end, turning Ctrl+C (or a termination request) into a
// stop of the run: the current book is stopped and its temporary files go.
void WaitForRun(ConsoleEngine& engine)
{
#ifdef _WIN32
    g_hInterrupted = CreateEventW(nullptr, FALSE, FALSE, nullptr);
    SetConsoleCtrlHandler(OnConsoleControl, TRUE);
    while (engine.IsWorkerRunning()) {
        if (WaitForSingleObject(g_hInterrupted, 100) == WAIT_OBJECT_0)
            engine.RequestStop();
    }
#else
    sigset_t signals;
    sigemptyset(&signals);
    sigaddset(&signals, SIGINT);
    sigaddset(&signals, SIGTERM);
    const timespec step{0, 100 * 1000 * 1000};
    while (engine.IsWorkerRunning()) {
        if (sigtimedwait(&signals, nullptr, &step) > 0)
            engine.RequestStop();
    }
#endif
    engine.WaitForWorker();
#ifdef _WIN32
    SetConsoleCtrlHandler(OnConsoleControl, FALSE);
    CloseHandle(g_hInterrupted);
#endif
}

}  // namespace

#ifdef _WIN32
// Wide arguments keep any file name intact; the options read them as UTF-8.
int wmain(int argc, wchar_t** wideArgv)
{
    Utf8Arguments arguments(argc, wideArgv);
    char** argv = arguments.Argv();
#else
int main(int argc, char* argv[])
{
#endif
    CliOptions options;
    std::string error;
    if (!ParseCliOptions(argc, argv, options, error)) {
        std::fprintf(stderr, "corvale-convert: %s\n\n%s", error.c_str(), kCliUsage);
        return 2;
    }
    if (options.help) {
        std::fputs(kCliUsage, stdout);
        return 0;
    }
    if (options.version) {
        std::puts("corvale-convert " CORVALE_VERSION);
        return 0;
    }

#ifndef _WIN32
    // Ctrl+C is taken by the waiting loop, not by a handler; threads started
    // from here on (the worker) inherit the blocked set.
    sigset_t signals;
    sigemptyset(&signals);
    sigaddset(&signals, SIGINT);
    sigaddset(&signals, SIGTERM);
    pthread_sigmask(SIG_BLOCK, &signals, nullptr);
#endif

    ConsoleReport report;
    COptions settings;
    settings.m_nPageWidth = options.pageWidth;
    settings.m_nPageHeight = options.pageHeight;
    g_pOptions = &settings;

    Engine<ConsoleEngine> engine(report, options.replace);
    engine.m_bSameFolder = options.sameFolder;
    if (!options.sameFolder) {
        std::error_code fsError;
        if (!std::filesystem::is_directory(PathFromText(options.outputFolder), fsError)) {
            report.Error("the output folder doesn't exist: " + options.outputFolder);
            return 2;
        }
        engine.m_strOutputFolder = AbsoluteArgument(options.outputFolder);
    }

    int refused = 0;
    for (const std::string& book : options.books) {
        if (engine.AddJob(AbsoluteArgument(book)) < 0) {
            report.Line("Failed: " + book + " (not a .mobi file)");
            ++refused;
        }
    }
    if (engine.GetJobCount() > 0) {
        if (!engine.Start()) {
            report.Error("could not start the conversion");
            return 1;
        }
        WaitForRun(engine);
    }
    g_pOptions = nullptr;
    return refused == 0 && engine.AllFinished() ? 0 : 1;
}
