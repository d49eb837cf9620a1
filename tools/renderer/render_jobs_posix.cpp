#include "render_outcome.h"

#include "base/die_with_parent.h"
#include "base/unique_fd.h"
#include "stop_signal.h"

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstring>
#include <deque>
#include <fcntl.h>
#include <poll.h>
#include <sched.h>
#include <sys/wait.h>
#include <thread>
#include <tuple>
#include <unistd.h>

namespace {

struct RunningJob {
    std::size_t index = 0;
    std::size_t attempt = 0;  // 0 with the ordinary setup, then the stronger ones
    pid_t pid = -1;
    UniqueFd errors;  // read end of the renderer's standard error
    std::string output;
};

std::vector<char*> PointersOf(std::vector<std::string>& texts)
{
    std::vector<char*> pointers;
    for (std::string& text : texts) pointers.push_back(text.data());
    pointers.push_back(nullptr);
    return pointers;
}

// Starts the renderer on one job; its standard error goes into a pipe, its
// input and output to /dev/null. -1 when no process could be made.
pid_t StartRenderer(const RendererSetup& setup, const RenderJob& job, UniqueFd& errorsRead)
{
    std::vector<std::string> arguments = setup.options;
    arguments.push_back(job.page.string());
    arguments.push_back(job.pdf.string());
    std::vector<std::string> environment = setup.environment;
    std::vector<char*> argv = PointersOf(arguments);
    std::vector<char*> envp = PointersOf(environment);
    const std::string program = setup.program.string();

    int fds[2];
    if (pipe2(fds, O_CLOEXEC) != 0) return -1;
    UniqueFd errors(fds[0]);
    const UniqueFd errorsWrite(fds[1]);
    const UniqueFd null(open("/dev/null", O_RDWR | O_CLOEXEC));
    const pid_t parent = getpid();
    const pid_t pid = fork();
    if (pid == 0) {
        // Only async-signal-safe calls from here to exec.
        if (!DieWithParentOf(parent)) _exit(127);
        if (!null || dup2(null.Get(), STDIN_FILENO) < 0 || dup2(null.Get(), STDOUT_FILENO) < 0 ||
            dup2(errorsWrite.Get(), STDERR_FILENO) < 0)
            _exit(127);
        signal(SIGPIPE, SIG_DFL);
        execve(program.c_str(), argv.data(), envp.data());
        _exit(127);
    }
    if (pid >= 0) errorsRead = std::move(errors);
    return pid;
}

// Why the job failed, or an empty text when it wrote its PDF.
std::string Outcome(const RunningJob& job, int status, const std::vector<RenderJob>& jobs)
{
    if (WIFSIGNALED(status)) {
        const int signal = WTERMSIG(status);
        std::string reason = "the system's wkhtmltopdf was killed by signal " + std::to_string(signal) + " (" +
                             strsignal(signal) + ") while rendering " + PieceName(job.index, jobs.size());
        if (signal == SIGKILL) reason += ", perhaps for want of memory";
        return reason;
    }
    return ExitOutcome(job.index, jobs, job.output, WIFEXITED(status) ? WEXITSTATUS(status) : -1);
}

void EndAll(std::vector<RunningJob>& running)
{
    for (const RunningJob& job : running) kill(job.pid, SIGKILL);
    for (RunningJob& job : running) {
        while (waitpid(job.pid, nullptr, 0) < 0 && errno == EINTR) {
        }
    }
    running.clear();
}

// Reads what the job has written to its standard error; false at its end.
bool ReadOutput(RunningJob& job)
{
    char buffer[4096];
    for (;;) {
        const ssize_t n = read(job.errors.Get(), buffer, sizeof buffer);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        KeepOutput(job.output, buffer, static_cast<std::size_t>(n));
        return true;
    }
}

}  // namespace

std::size_t UsableProcessors()
{
    std::size_t count = 0;
    cpu_set_t set;
    if (sched_getaffinity(0, sizeof set, &set) == 0) count = static_cast<std::size_t>(CPU_COUNT(&set));
    if (count == 0) count = std::thread::hardware_concurrency();
    return std::clamp<std::size_t>(count, 1, 8);
}

std::string RenderAll(const RendererSetup& setup, const std::vector<RenderJob>& jobs, std::size_t parallel,
                      FitRetries& retries)
{
    parallel = std::max<std::size_t>(parallel, 1);
    std::vector<RunningJob> running;
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
            RunningJob job;
            std::tie(job.index, job.attempt) = waiting.front();
            job.pid = StartRenderer(SetupForAttempt(setup, retries, job.attempt), jobs[job.index], job.errors);
            if (job.pid < 0) {
                failure = "cannot start the system's wkhtmltopdf: " + std::string(std::strerror(errno));
                break;
            }
            running.push_back(std::move(job));
            waiting.pop_front();
        }
        if (!failure.empty()) break;

        std::vector<pollfd> fds;
        for (const RunningJob& job : running) fds.push_back({job.errors.Get(), POLLIN, 0});
        if (StopSignal::Descriptor() >= 0) fds.push_back({StopSignal::Descriptor(), POLLIN, 0});
        if (poll(fds.data(), fds.size(), -1) < 0 && errno != EINTR) {
            failure = "cannot wait for the system's wkhtmltopdf: " + std::string(std::strerror(errno));
            break;
        }
        for (std::size_t i = running.size(); i-- > 0;) {
            if (fds[i].revents == 0 || ReadOutput(running[i])) continue;
            // Its standard error closed: the renderer has ended.
            RunningJob job = std::move(running[i]);
            running.erase(running.begin() + static_cast<std::ptrdiff_t>(i));
            job.errors.Close();
            int status = 0;
            while (waitpid(job.pid, &status, 0) < 0 && errno == EINTR) {
            }
            const std::string outcome = Outcome(job, status, jobs);
            if (!outcome.empty() && failure.empty()) failure = outcome;
            if (outcome.empty() && RenderAgainIfShrunk(jobs[job.index], job.attempt, retries))
                waiting.emplace_back(job.index, job.attempt + 1);
        }
    }
    EndAll(running);
    return failure;
}
