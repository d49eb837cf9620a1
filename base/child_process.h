// One child process running a tool script, with its standard input an empty
// pipe and its standard output and error in one pipe. The child runs in its
// own process group (a job object on Windows) so that it can be ended with
// everything it started. The destructor ends a child that is still running.
// On Linux the child is also ended by the system when the program dies.
#pragma once

#include <cstddef>
#include <string>
#include <utility>
#include <vector>

// Variables a child gets besides the program's own environment, replacing
// any of the same name.
using ChildEnvironment = std::vector<std::pair<std::wstring, std::wstring>>;

class ChildProcess {
public:
    ChildProcess();
    ~ChildProcess();
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    // Starts the script (through /bin/sh here, the command interpreter on
    // Windows) with `extra` in its environment; false when no process could
    // be made.
    bool Start(const std::wstring& scriptPath, const ChildEnvironment& extra = {});

    // Waits at most `milliseconds` until output is pending or the child has
    // ended; true once the child has ended.
    bool Wait(int milliseconds);

    // Reads output that is pending now, never waiting for more; 0 when none.
    size_t ReadPending(char* buffer, size_t size);

    // Ends the child and everything it started, then reaps it.
    void Terminate();

    bool HasEnded() const { return m_bEnded; }

private:
    void Reap();  // collects the ended child and clears what is left of its group

    bool m_bEnded = false;
#ifdef _WIN32
    void* m_hProcess = nullptr;
    void* m_hJob = nullptr;
    void* m_hOutputRead = nullptr;
#else
    int m_nPid = -1;
    int m_nPidFd = -1;   // becomes readable when the child ends (Linux), -1 if unsupported
    int m_nOutputFd = -1;
    bool m_bOutputOpen = false;
#endif
};
