#include "run_program.h"

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <sstream>

extern char** environ;

namespace {

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

RunningProgram::RunningProgram(const std::string& program, const std::vector<std::string>& arguments,
                               const std::vector<std::string>& environment)
{
    if (m_files.path().empty()) return;
    SpawnActions actions;
    posix_spawn_file_actions_addopen(actions.get(), STDIN_FILENO, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(actions.get(), STDOUT_FILENO, (m_files / "stdout").c_str(),
                                     O_WRONLY | O_CREAT | O_TRUNC, 0600);
    posix_spawn_file_actions_addopen(actions.get(), STDERR_FILENO, (m_files / "stderr").c_str(),
                                     O_WRONLY | O_CREAT | O_TRUNC, 0600);

    std::vector<std::string> argv{program};
    argv.insert(argv.end(), arguments.begin(), arguments.end());
    std::vector<std::string> envp = Environment(environment);
    std::vector<char*> argvPointers = PointersOf(argv);
    std::vector<char*> envpPointers = PointersOf(envp);
    pid_t child = 0;
    if (posix_spawnp(&child, program.c_str(), actions.get(), nullptr, argvPointers.data(), envpPointers.data()) == 0)
        m_pid = child;
}

RunningProgram::~RunningProgram()
{
    if (m_pid > 0) {
        ::kill(m_pid, SIGKILL);
        Finish();
    }
}

void RunningProgram::Signal(int signal) const
{
    if (m_pid > 0) ::kill(m_pid, signal);
}

ProgramResult RunningProgram::Finish()
{
    ProgramResult result;
    if (m_pid <= 0) return result;
    int status = 0;
    rusage usage{};
    while (::wait4(m_pid, &status, 0, &usage) < 0 && errno == EINTR) {
    }
    m_pid = -1;
    result.peakMemoryKb = usage.ru_maxrss;
    if (WIFEXITED(status)) result.exitCode = WEXITSTATUS(status);
    if (WIFSIGNALED(status)) result.signal = WTERMSIG(status);
    result.output = ReadTextFile(m_files / "stdout");
    result.errorOutput = ReadTextFile(m_files / "stderr");
    return result;
}

ProgramResult RunProgram(const std::string& program, const std::vector<std::string>& arguments,
                         const std::vector<std::string>& environment)
{
    return RunningProgram(program, arguments, environment).Finish();
}

bool IsProgramOnPath(const std::string& name)
{
    const char* path = std::getenv("PATH");
    std::istringstream folders(path ? path : "");
    for (std::string folder; std::getline(folders, folder, ':');) {
        const std::string candidate = (folder.empty() ? "." : folder) + "/" + name;
        if (::access(candidate.c_str(), X_OK) == 0)
            return true;
    }
    return false;
}
