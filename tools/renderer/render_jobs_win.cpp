// Windows: each renderer is made suspended, put into one job object that
// kills what it holds when its last handle closes (so every render dies with
// this process, however it ends), and then let run. Pipes cannot be waited
// on, so a thread per renderer reads its standard error while the main
// thread waits for the processes and the stop event together.
#include "render_outcome.h"

#include "base/command_line.h"
#include "base/paths.h"
#include "base/unique_handle.h"
#include "stop_signal.h"

#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <deque>
#include <system_error>
#include <thread>
#include <tuple>

namespace {

struct RunningJob {
    std::size_t index = 0;
    std::size_t attempt = 0;  // 0 with the ordinary setup, then the stronger ones
    UniqueHandle process;
    std::string output;    // written by the reader until it ends
    std::thread reader;
};

std::wstring Wide(const std::string& utf8) { return Utf8ToWide(utf8).value_or(std::wstring()); }

// NAME=value entries as a block of wide strings, each ended by a zero and the
// block by one more.
std::wstring EnvironmentBlock(const std::vector<std::string>& environment)
{
    std::wstring block;
    for (const std::string& entry : environment) {
        block += Wide(entry);
        block += L'\0';
    }
    block += L'\0';
    return block;
}

std::string LastError() { return std::system_category().message(static_cast<int>(GetLastError())); }

// Starts the renderer on one job inside `job`, its standard input and output
// the null device, its standard error the pipe that `reader` reads into
// `output`. False with `error` set when no process could be made.
bool StartRenderer(const RendererSetup& setup, const RenderJob& renderJob, HANDLE jobObject, RunningJob& running,
                   std::string& error)
{
    std::vector<std::wstring> arguments;
    for (const std::string& option : setup.options) arguments.push_back(Wide(option));
    arguments.push_back(renderJob.page.wstring());
    arguments.push_back(renderJob.pdf.wstring());
    std::wstring commandLine = JoinCommandLine(arguments);
    std::wstring environment = EnvironmentBlock(setup.environment);

    SECURITY_ATTRIBUTES inherit{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
    UniqueHandle errorsRead, errorsWrite;
    if (!CreatePipe(errorsRead.Receive(), errorsWrite.Receive(), &inherit, 0) ||
        !SetHandleInformation(errorsRead.Get(), HANDLE_FLAG_INHERIT, 0)) {
        error = LastError();
        return false;
    }
    UniqueHandle null(CreateFileW(L"NUL", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, &inherit,
                                  OPEN_EXISTING, 0, nullptr));

    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = null.Get();
    startup.hStdOutput = null.Get();
    startup.hStdError = errorsWrite.Get();
    PROCESS_INFORMATION process{};
    if (!CreateProcessW(setup.program.c_str(), commandLine.data(), nullptr, nullptr, TRUE,
                        CREATE_NO_WINDOW | CREATE_SUSPENDED | CREATE_UNICODE_ENVIRONMENT, environment.data(), nullptr,
                        &startup, &process)) {
        error = LastError();
        return false;
    }
    UniqueHandle thread(process.hThread);
    running.process = UniqueHandle(process.hProcess);
    // Without the job it would outlive a killed renderer tool: rather none.
    if (!AssignProcessToJobObject(jobObject, process.hProcess)) {
        error = "cannot tie it to this process: " + LastError();
        TerminateProcess(process.hProcess, 1);
        WaitForSingleObject(process.hProcess, INFINITE);
        return false;
    }
    ResumeThread(thread.Get());
    // Only the child holds the write end now, so the pipe ends with it.
    errorsWrite.Close();
    running.reader = std::thread([pipe = std::move(errorsRead), &output = running.output] {
        char buffer[4096];
        DWORD read = 0;
        while (ReadFile(pipe.Get(), buffer, sizeof buffer, &read, nullptr) && read > 0) KeepOutput(output, buffer, read);
    });
    return true;
}

// Waits for the reader, which ends once the process has and its pipe closed.
void Finish(RunningJob& job)
{
    WaitForSingleObject(job.process.Get(), INFINITE);
    if (job.reader.joinable()) job.reader.join();
}

std::string Outcome(RunningJob& job, const std::vector<RenderJob>& jobs)
{
    DWORD code = 0;
    GetExitCodeProcess(job.process.Get(), &code);
    // Exception codes (an access violation, a stack overflow) are how a
    // crash ends a Windows program.
    if (code >= 0xC0000000u) {
        char hex[16];
        std::snprintf(hex, sizeof hex, "0x%08lX", static_cast<unsigned long>(code));
        return "the system's wkhtmltopdf crashed (" + std::string(hex) + ") while rendering " +
               PieceName(job.index, jobs.size());
    }
    return ExitOutcome(job.index, jobs, job.output, static_cast<long>(code));
}

}  // namespace

std::size_t UsableProcessors()
{
    DWORD_PTR mine = 0, system = 0;
    std::size_t count = 0;
    if (GetProcessAffinityMask(GetCurrentProcess(), &mine, &system))
        for (; mine; mine &= mine - 1) ++count;
    if (count == 0) count = std::thread::hardware_concurrency();
    return std::clamp<std::size_t>(count, 1, 8);
}

std::string RenderAll(const RendererSetup& setup, const std::vector<RenderJob>& jobs, std::size_t parallel,
                      FitRetries& retries)
{
    parallel = std::clamp<std::size_t>(parallel, 1, MAXIMUM_WAIT_OBJECTS - 1);
    UniqueHandle jobObject(CreateJobObjectW(nullptr, nullptr));
    JOBOBJECT_EXTENDED_LIMIT_INFORMATION limits{};
    limits.BasicLimitInformation.LimitFlags = JOB_OBJECT_LIMIT_KILL_ON_JOB_CLOSE;
    if (!jobObject ||
        !SetInformationJobObject(jobObject.Get(), JobObjectExtendedLimitInformation, &limits, sizeof limits))
        return "cannot make a job object for the system's wkhtmltopdf: " + LastError();

    std::vector<std::unique_ptr<RunningJob>> running;
    // Jobs to start, in order: each piece once, then those rendered again.
    std::deque<std::pair<std::size_t, std::size_t>> waiting;  // index, attempt
    for (std::size_t i = 0; i < jobs.size(); ++i) waiting.emplace_back(i, 0);
    std::string failure;
    while (failure.empty() && (!waiting.empty() || !running.empty())) {
        if (StopSignal::Requested()) {
            failure = "stopped";
            break;
        }
        while (!waiting.empty() && running.size() < parallel) {
            auto job = std::make_unique<RunningJob>();
            std::tie(job->index, job->attempt) = waiting.front();
            std::string error;
            if (!StartRenderer(SetupForAttempt(setup, retries, job->attempt), jobs[job->index], jobObject.Get(), *job,
                               error)) {
                failure = "cannot start the system's wkhtmltopdf: " + error;
                break;
            }
            running.push_back(std::move(job));
            waiting.pop_front();
        }
        if (!failure.empty()) break;

        std::vector<HANDLE> waits;
        for (const auto& job : running) waits.push_back(job->process.Get());
        if (StopSignal::Event()) waits.push_back(StopSignal::Event());
        const DWORD woken = WaitForMultipleObjects(static_cast<DWORD>(waits.size()), waits.data(), FALSE, INFINITE);
        if (woken == WAIT_FAILED) {
            failure = "cannot wait for the system's wkhtmltopdf: " + LastError();
            break;
        }
        const std::size_t ended = woken - WAIT_OBJECT_0;
        if (ended >= running.size()) continue;  // the stop event: seen at the top
        std::unique_ptr<RunningJob> job = std::move(running[ended]);
        running.erase(running.begin() + static_cast<std::ptrdiff_t>(ended));
        Finish(*job);
        const std::string outcome = Outcome(*job, jobs);
        if (!outcome.empty() && failure.empty()) failure = outcome;
        if (outcome.empty() && RenderAgainIfShrunk(jobs[job->index], job->attempt, retries))
            waiting.emplace_back(job->index, job->attempt + 1);
    }
    // Whatever still runs ends with the job object; the readers then see
    // their pipes close.
    TerminateJobObject(jobObject.Get(), 1);
    for (const auto& job : running) Finish(*job);
    return failure;
}
