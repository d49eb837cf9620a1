#include "run_program.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

extern char** environ;

namespace {

// A pipe whose ends are closed when it goes out of scope.
class Pipe {
public:
    Pipe() { m_bOpen = ::pipe(m_fds) == 0; }
    ~Pipe()
    {
        CloseRead();
        CloseWrite();
    }
    Pipe(const Pipe&) = delete;
    Pipe& operator=(const Pipe&) = delete;

    bool IsOpen() const { return m_bOpen; }
    int Read() const { return m_fds[0]; }
    int Write() const { return m_fds[1]; }
    void CloseRead() { Close(m_fds[0]); }
    void CloseWrite() { Close(m_fds[1]); }

private:
    void Close(int& fd)
    {
        if (fd >= 0) ::close(fd);
        fd = -1;
    }
    int m_fds[2] = {-1, -1};
    bool m_bOpen = false;
};

class SpawnActions {
public:
    SpawnActions() { posix_spawn_file_actions_init(&m_actions); }
    ~SpawnActions() { posix_spawn_file_actions_destroy(&m_actions); }
    SpawnActions(const SpawnActions&) = delete;
    SpawnActions& operator=(const SpawnActions&) = delete;
    posix_spawn_file_actions_t* get() { return &m_actions; }

private:
    posix_spawn_file_actions_t m_actions;
};

std::vector<std::string> Environment(const std::vector<std::string>& changes)
{
    const auto nameOf = [](const std::string& entry) { return entry.substr(0, entry.find('=')); };
    std::vector<std::string> variables;
    for (char** entry = environ; *entry; ++entry) {
        const std::string variable(*entry);
        bool keep = true;
        for (const std::string& change : changes) keep = keep && nameOf(change) != nameOf(variable);
        if (keep) variables.push_back(variable);
    }
    for (const std::string& change : changes)
        if (change.find('=') != std::string::npos) variables.push_back(change);
    return variables;
}

std::vector<char*> PointersOf(std::vector<std::string>& texts)
{
    std::vector<char*> pointers;
    for (std::string& text : texts) pointers.push_back(text.data());
    pointers.push_back(nullptr);
    return pointers;
}

}  // namespace

ProgramResult RunProgram(const std::string& program, const std::vector<std::string>& arguments,
                         const std::vector<std::string>& environment)
{
    ProgramResult result;
    Pipe errors;
    if (!errors.IsOpen()) return result;

    SpawnActions actions;
    posix_spawn_file_actions_addopen(actions.get(), STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_adddup2(actions.get(), errors.Write(), STDERR_FILENO);
    posix_spawn_file_actions_addclose(actions.get(), errors.Read());

    std::vector<std::string> argv{program};
    argv.insert(argv.end(), arguments.begin(), arguments.end());
    std::vector<std::string> envp = Environment(environment);
    std::vector<char*> argvPointers = PointersOf(argv);
    std::vector<char*> envpPointers = PointersOf(envp);

    pid_t child = 0;
    if (posix_spawnp(&child, program.c_str(), actions.get(), nullptr, argvPointers.data(), envpPointers.data()) != 0)
        return result;
    errors.CloseWrite();

    char buffer[4096];
    for (;;) {
        const ssize_t count = ::read(errors.Read(), buffer, sizeof buffer);
        if (count > 0) {
            result.errorOutput.append(buffer, static_cast<std::size_t>(count));
        } else if (count == 0 || errno != EINTR) {
            break;
        }
    }
    // wait4 reports the usage of this one child, where getrusage would give
    // the largest of all the children the test has run.
    int status = 0;
    struct rusage usage {};
    while (::wait4(child, &status, 0, &usage) < 0 && errno == EINTR) {
    }
    result.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    result.peakMemoryKb = usage.ru_maxrss;
    return result;
}
