// The processes of this machine (read from /proc), and waiting for what
// other processes do, by their events: a process's end, a line written into
// a FIFO. Each wait has a generous guard so that a fault
// fails the test instead of hanging it.
#pragma once

#include <chrono>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include <sys/types.h>

inline constexpr std::chrono::seconds kWaitGuard{120};

// True when no process with this id runs any more (gone, or a zombie that
// runs nothing).
bool ProcessHasEnded(pid_t pid);

// A process to wait for, watched from now on (pidfd), so that its id cannot
// be taken by another process meanwhile.
class ProcessWatch {
public:
    explicit ProcessWatch(pid_t pid);
    ~ProcessWatch();
    ProcessWatch(const ProcessWatch&) = delete;
    ProcessWatch& operator=(const ProcessWatch&) = delete;

    // Waits until the process has ended; false when the guard ran out.
    bool WaitForEnd(std::chrono::milliseconds guard = kWaitGuard);

private:
    pid_t m_nPid;
    int m_nPidFd = -1;
};

// A FIFO made at `path`, open for reading, from which a process started
// afterwards can report.
class FifoReader {
public:
    explicit FifoReader(const std::filesystem::path& path);
    ~FifoReader();
    FifoReader(const FifoReader&) = delete;
    FifoReader& operator=(const FifoReader&) = delete;

    // The first line written into the FIFO, without its line end; nullopt
    // when the guard ran out first.
    std::optional<std::string> ReadLine(std::chrono::milliseconds guard = kWaitGuard);

private:
    int m_nFd = -1;
};

// The id of a process that has ended and been collected.
pid_t EndedProcessId();

// --- the process list ---

struct ProcessEntry {
    int pid = 0;
    int parent = 0;
    int group = 0;
    std::string name;  // the command name, as ps shows it
};

std::vector<ProcessEntry> ListProcesses();

// The processes that descend from `ancestor` or are in its process group.
std::vector<ProcessEntry> ProcessesOf(int ancestor);

// Checks `done` until it holds (for what has no event of its own, such as
// the process list); false if it still does not after the guard, which only
// bounds a test that fails, never times what it waits for.
bool WaitUntil(const std::function<bool()>& done, std::chrono::milliseconds guard = kWaitGuard);
