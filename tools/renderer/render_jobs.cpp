#include "render_jobs.h"

#include "base/die_with_parent.h"
#include "base/unique_fd.h"
#include "stop_signal.h"

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <sched.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace {

constexpr std::size_t kKeptOutput = 16 * 1024;  // of each renderer's messages, the end

struct RunningJob {
    std::size_t index = 0;
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

// The renderer's message that tells why it failed, if it gave one: its own
// error lines, not Qt's warnings about its surroundings.
std::string ErrorLineOf(const std::string& output)
{
    std::string found;
    std::size_t start = 0;
    while (start < output.size()) {
        std::size_t end = output.find('\n', start);
        if (end == std::string::npos) end = output.size();
        const std::string_view line(output.data() + start, end - start);
        if (line.starts_with("Error:") || line.starts_with("Exit with code"))
            found = std::string(line);
        else if (line.starts_with("QPainter::begin"))
            found = "it could not write its PDF";
        start = end + 1;
    }
    while (!found.empty() && (found.back() == '\r' || found.back() == ' ')) found.pop_back();
    return found;
}

bool IsPdfWritten(const std::filesystem::path& pdf)
{
    struct stat info {};
    return stat(pdf.c_str(), &info) == 0 && S_ISREG(info.st_mode) && info.st_size > 0;
}

// Why the job failed, or an empty text when it wrote its PDF.
std::string Outcome(const RunningJob& job, int status, const std::vector<RenderJob>& jobs)
{
    const std::string piece = PieceName(job.index, jobs.size());
    const std::string said = ErrorLineOf(job.output);
    const std::string detail = said.empty() ? std::string() : " (" + said + ")";
    if (WIFSIGNALED(status)) {
        const int signal = WTERMSIG(status);
        std::string reason = "the system's wkhtmltopdf was killed by signal " + std::to_string(signal) + " (" +
                             strsignal(signal) + ") while rendering " + piece;
        if (signal == SIGKILL) reason += ", perhaps for want of memory";
        return reason;
    }
    const int code = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    if (code == 127 && job.output.empty()) return "the system's wkhtmltopdf could not be started";
    // A picture or sheet that could not be loaded (from outside the page's
    // folder, from the network) ends it with status 1 after it has written
    // the whole PDF without it: that is what the page is meant to give.
    const bool onlyLoadErrors = code == 1 && said.find("due to network error") != std::string::npos;
    if (onlyLoadErrors && IsPdfWritten(jobs[job.index].pdf)) return {};
    if (code != 0)
        return "the system's wkhtmltopdf failed on " + piece + " with exit status " + std::to_string(code) + detail;
    if (!IsPdfWritten(jobs[job.index].pdf)) return "the system's wkhtmltopdf wrote no PDF for " + piece + detail;
    return {};
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
        job.output.append(buffer, static_cast<std::size_t>(n));
        if (job.output.size() > 2 * kKeptOutput) job.output.erase(0, job.output.size() - kKeptOutput);
        return true;
    }
}

}  // namespace

std::string PieceName(std::size_t index, std::size_t count)
{
    if (count == 1) return "the page";
    return "piece " + std::to_string(index + 1) + " of " + std::to_string(count);
}

std::size_t UsableProcessors()
{
    std::size_t count = 0;
    cpu_set_t set;
    if (sched_getaffinity(0, sizeof set, &set) == 0) count = static_cast<std::size_t>(CPU_COUNT(&set));
    if (count == 0) count = std::thread::hardware_concurrency();
    return std::clamp<std::size_t>(count, 1, 8);
}

std::string RenderAll(const RendererSetup& setup, const std::vector<RenderJob>& jobs, std::size_t parallel)
{
    parallel = std::max<std::size_t>(parallel, 1);
    std::vector<RunningJob> running;
    std::size_t next = 0;
    std::string failure;
    while (failure.empty() && (next < jobs.size() || !running.empty())) {
        if (StopSignal::Requested()) {
            failure = "stopped";
            break;
        }
        while (next < jobs.size() && running.size() < parallel) {
            RunningJob job;
            job.index = next;
            job.pid = StartRenderer(setup, jobs[next], job.errors);
            if (job.pid < 0) {
                failure = "cannot start the system's wkhtmltopdf: " + std::string(std::strerror(errno));
                break;
            }
            running.push_back(std::move(job));
            ++next;
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
        }
    }
    EndAll(running);
    return failure;
}
