// POSIX: process ids, and whether one still stands for a process.
#include "process_names.h"

#include <cerrno>
#include <cstdint>
#include <csignal>
#include <unistd.h>

unsigned long CurrentProcessId() { return static_cast<unsigned long>(getpid()); }

bool ProcessHasEnded(unsigned long pid)
{
    if (pid == 0 || pid > static_cast<unsigned long>(INT32_MAX))
        return false;
    return kill(static_cast<pid_t>(pid), 0) != 0 && errno == ESRCH;
}
