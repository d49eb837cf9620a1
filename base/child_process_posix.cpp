#include "child_process.h"

#include "debug_log.h"
#include "die_with_parent.h"
#include "paths.h"
#include "unique_fd.h"

#include <cerrno>
#include <chrono>
#include <cstring>
#include <csignal>
#include <fcntl.h>
#include <poll.h>
#include <sys/syscall.h>
#include <sys/types.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

extern char** environ;

namespace {

// Both ends of a pipe, each closed when it goes out of scope unless taken.
struct Pipe {
    UniqueFd read;
    UniqueFd write;
    bool Open()
    {
        int fds[2];
        if (pipe2(fds, O_CLOEXEC) != 0)
            return false;
        read = UniqueFd(fds[0]);
        write = UniqueFd(fds[1]);
        return true;
    }
};

int OpenPidFd(pid_t pid)
{
#ifdef SYS_pidfd_open
    long fd = syscall(SYS_pidfd_open, pid, 0);
    return fd >= 0 ? static_cast<int>(fd) : -1;
#else
    (void)pid;
    return -1;
#endif
}

// True once the child has ended; the zombie is left for Reap, so its pid
// (which names its process group) cannot be reused meanwhile.
bool ChildHasEnded(pid_t pid)
{
    siginfo_t info{};
    if (waitid(P_PID, static_cast<id_t>(pid), &info, WEXITED | WNOHANG | WNOWAIT) != 0)
        return errno == ECHILD;
    return info.si_pid == pid;
}

// The forked child: becomes the script's shell. Only async-signal-safe calls.
// The program's environment with `extra` in place of variables of the same
// name, as "NAME=value" strings in UTF-8.
std::vector<std::string> EnvironmentWith(const ChildEnvironment& extra)
{
    std::vector<std::string> entries;
    for (const auto& [name, value] : extra)
        entries.push_back(ToNativeBytes(name) + "=" + ToNativeBytes(value));
    const size_t added = entries.size();
    for (char** entry = environ; *entry; ++entry) {
        bool replaced = false;
        for (size_t i = 0; i < added && !replaced; ++i) {
            const size_t nameLength = entries[i].find('=') + 1;  // with the '='
            replaced = std::strncmp(*entry, entries[i].c_str(), nameLength) == 0;
        }
        if (!replaced)
            entries.emplace_back(*entry);
    }
    return entries;
}

[[noreturn]] void RunChild(int input, int output, int report, char* const argv[], char* const envp[], pid_t parent)
{
    // The shell, and the tool that it becomes through exec (the setting
    // survives exec), die with the program, even when it is killed. The
    // signal comes when the thread that forked ends: that is the worker,
    // which waits for the tool until it has ended, so only the program's
    // death can bring it.
    if (!DieWithParentOf(parent))
        _exit(127);  // the program died before it could be asked
    setsid();  // no controlling terminal, own process group
    dup2(input, STDIN_FILENO);
    dup2(output, STDOUT_FILENO);
    dup2(output, STDERR_FILENO);
    // The tool starts with default signal handling whatever the program set.
    struct sigaction byDefault {};
    byDefault.sa_handler = SIG_DFL;
    for (int signal : {SIGPIPE, SIGINT, SIGTERM, SIGHUP, SIGCHLD})
        sigaction(signal, &byDefault, nullptr);
    sigset_t none;
    sigemptyset(&none);
    sigprocmask(SIG_SETMASK, &none, nullptr);
    execve(argv[0], argv, envp);
    const int error = errno;
    ssize_t written = write(report, &error, sizeof error);
    (void)written;
    _exit(127);
}

}  // namespace

ChildProcess::ChildProcess() = default;

ChildProcess::~ChildProcess()
{
    if (m_nPid > 0 && !m_bEnded)
        Terminate();
    if (m_nPidFd >= 0)
        close(m_nPidFd);
    if (m_nOutputFd >= 0)
        close(m_nOutputFd);
}

bool ChildProcess::Start(const std::wstring& scriptPath, const ChildEnvironment& extra)
{
    Pipe input, output, report;
    if (!input.Open() || !output.Open() || !report.Open()) {
        DebugOutput("CreatePipe\n");
        return false;
    }
    // Everything the child needs is made before the fork: between fork and
    // exec a child of a threaded program may only make plain system calls.
    const std::string script = ToNativeBytes(scriptPath);
    char shell[] = "/bin/sh";
    char* argv[] = {shell, const_cast<char*>(script.c_str()), nullptr};
    std::vector<std::string> environment = EnvironmentWith(extra);
    std::vector<char*> envp;
    for (std::string& entry : environment)
        envp.push_back(entry.data());
    envp.push_back(nullptr);
    const pid_t parent = getpid();

    const pid_t pid = fork();
    if (pid < 0) {
        DebugOutput("CreateProcess\n");
        return false;
    }
    if (pid == 0)
        RunChild(input.read.Get(), output.write.Get(), report.write.Get(), argv, envp.data(), parent);

    // The report pipe brings the child's errno when exec failed, and closes
    // empty when it succeeded.
    report.write.Close();
    int childError = 0;
    ssize_t n;
    while ((n = read(report.read.Get(), &childError, sizeof childError)) < 0 && errno == EINTR) {
    }
    if (n > 0) {
        while (waitpid(pid, nullptr, 0) < 0 && errno == EINTR) {
        }
        DebugOutput("CreateProcess\n");
        return false;
    }

    m_nPid = pid;
    m_nPidFd = OpenPidFd(pid);
    m_nOutputFd = output.read.Release();
    fcntl(m_nOutputFd, F_SETFL, fcntl(m_nOutputFd, F_GETFL) | O_NONBLOCK);
    m_bOutputOpen = true;
    return true;  // the pipes' child ends close with `input` and `output`
}

bool ChildProcess::Wait(int milliseconds)
{
    if (m_bEnded || m_nPid <= 0)
        return true;
    if (ChildHasEnded(m_nPid)) {
        Reap();
        return true;
    }
    pollfd fds[2];
    nfds_t count = 0;
    if (m_bOutputOpen)
        fds[count++] = {m_nOutputFd, POLLIN, 0};
    if (m_nPidFd >= 0)
        fds[count++] = {m_nPidFd, POLLIN, 0};
    if (count == 0 || (m_nPidFd < 0 && !m_bOutputOpen)) {
        // Nothing to watch: look at the child in short steps.
        const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(milliseconds);
        while (std::chrono::steady_clock::now() < until && !ChildHasEnded(m_nPid))
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
    } else {
        int timeout = milliseconds;
        if (m_nPidFd < 0)
            timeout = std::min(timeout, 50);  // no exit notification: look again soon
        poll(fds, count, timeout);
    }
    if (ChildHasEnded(m_nPid)) {
        Reap();
        return true;
    }
    return false;
}

size_t ChildProcess::ReadPending(char* buffer, size_t size)
{
    if (!m_bOutputOpen)
        return 0;
    for (;;) {
        const ssize_t n = read(m_nOutputFd, buffer, size);
        if (n > 0)
            return static_cast<size_t>(n);
        if (n < 0 && errno == EINTR)
            continue;
        if (n == 0)
            m_bOutputOpen = false;  // every writer has closed the pipe
        return 0;
    }
}

void ChildProcess::Terminate()
{
    if (m_nPid <= 0 || m_bEnded)
        return;
    kill(-m_nPid, SIGTERM);
    // Give the tool a moment to end cleanly, then end what is left for good.
    const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(2);
    while (!ChildHasEnded(m_nPid) && std::chrono::steady_clock::now() < until) {
        if (m_nPidFd >= 0) {
            pollfd fd{m_nPidFd, POLLIN, 0};
            poll(&fd, 1, 50);
        } else {
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
    }
    Reap();
}

void ChildProcess::Reap()
{
    if (m_bEnded || m_nPid <= 0)
        return;
    // While the child is not yet reaped its pid still names the group, so
    // this reaches only what the tool started and left behind.
    kill(-m_nPid, SIGKILL);
    int status = 0;
    while (waitpid(m_nPid, &status, 0) < 0 && errno == EINTR) {
    }
    m_bEnded = true;
}
