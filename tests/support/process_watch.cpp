#include "process_watch.h"

#include <cerrno>
#include <fstream>
#include <iterator>
#include <set>
#include <sstream>
#include <thread>

#include <fcntl.h>
#include <poll.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

// poll that goes on after a signal, within what is left of the guard.
int PollFor(pollfd& fd, std::chrono::steady_clock::time_point until)
{
    for (;;) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(until - std::chrono::steady_clock::now());
        if (left.count() <= 0)
            return 0;
        const int ready = poll(&fd, 1, static_cast<int>(left.count()));
        if (ready >= 0 || errno != EINTR)
            return ready;
    }
}

}  // namespace

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

ProcessWatch::ProcessWatch(pid_t pid) : m_nPid(pid)
{
    m_nPidFd = static_cast<int>(syscall(SYS_pidfd_open, pid, 0));
}

ProcessWatch::~ProcessWatch()
{
    if (m_nPidFd >= 0)
        close(m_nPidFd);
}

bool ProcessWatch::WaitForEnd(std::chrono::milliseconds guard)
{
    if (m_nPidFd < 0)
        return ProcessHasEnded(m_nPid);  // it had ended before it was watched
    pollfd fd{m_nPidFd, POLLIN, 0};
    return PollFor(fd, std::chrono::steady_clock::now() + guard) > 0;
}

FifoReader::FifoReader(const std::filesystem::path& path)
{
    if (mkfifo(path.c_str(), 0600) == 0)
        m_nFd = open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
}

FifoReader::~FifoReader()
{
    if (m_nFd >= 0)
        close(m_nFd);
}

std::optional<std::string> FifoReader::ReadLine(std::chrono::milliseconds guard)
{
    if (m_nFd < 0)
        return std::nullopt;
    const auto until = std::chrono::steady_clock::now() + guard;
    std::string text;
    for (;;) {
        // Before any writer has come, the FIFO reports nothing: no end yet.
        pollfd fd{m_nFd, POLLIN, 0};
        if (PollFor(fd, until) <= 0)
            return std::nullopt;
        char buffer[256];
        const ssize_t n = read(m_nFd, buffer, sizeof buffer);
        if (n > 0)
            text.append(buffer, static_cast<size_t>(n));
        if (const size_t end = text.find('\n'); end != std::string::npos)
            return text.substr(0, end);
        if (n == 0 || (n < 0 && errno != EAGAIN && errno != EINTR))
            return text.empty() ? std::nullopt : std::optional<std::string>(text);  // the writer left
    }
}

pid_t EndedProcessId()
{
    const pid_t pid = fork();
    if (pid == 0)
        _exit(0);
    if (pid > 0) {
        while (waitpid(pid, nullptr, 0) < 0 && errno == EINTR) {
        }
    }
    return pid;
}

std::vector<ProcessEntry> ListProcesses()
{
    std::vector<ProcessEntry> processes;
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator("/proc", error)) {
        const std::string name = entry.path().filename().string();
        if (name.find_first_not_of("0123456789") != std::string::npos) continue;
        std::ifstream in(entry.path() / "stat");
        const std::string stat((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        // pid (comm) state ppid pgrp ...; comm may hold blanks and parentheses.
        const std::size_t open = stat.find('('), close = stat.rfind(')');
        if (open == std::string::npos || close == std::string::npos) continue;
        ProcessEntry process;
        process.pid = std::stoi(name);
        process.name = stat.substr(open + 1, close - open - 1);
        std::istringstream rest(stat.substr(close + 1));
        char state = 0;
        rest >> state >> process.parent >> process.group;
        if (state != 'Z') processes.push_back(process);  // the dead that wait to be reaped hold nothing
    }
    return processes;
}

std::vector<ProcessEntry> ProcessesOf(int ancestor)
{
    const std::vector<ProcessEntry> all = ListProcesses();
    std::set<int> family{ancestor};
    for (bool grown = true; grown;) {
        grown = false;
        for (const ProcessEntry& process : all)
            if (family.count(process.parent) && family.insert(process.pid).second) grown = true;
    }
    std::vector<ProcessEntry> found;
    for (const ProcessEntry& process : all)
        if (process.pid != ancestor && (family.count(process.pid) || process.group == ancestor))
            found.push_back(process);
    return found;
}

bool WaitUntil(const std::function<bool()>& done, std::chrono::milliseconds guard)
{
    const auto until = std::chrono::steady_clock::now() + guard;
    while (!done()) {
        if (std::chrono::steady_clock::now() > until) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));  // polling an event, not guessing a time
    }
    return true;
}
