// Runs command-line programs for tests and collects what they report.
#pragma once

#include "temp_dir.h"

#include <string>
#include <sys/types.h>
#include <vector>

struct ProgramResult {
    int exitCode = -1;        // -1 when the program could not be started or was killed
    int signal = 0;           // the signal that ended it, 0 when it exited
    std::string output;       // everything it wrote to standard output
    std::string errorOutput;  // everything it wrote to standard error
    long peakMemoryKb = 0;    // the most memory it held at once (resident set), in KiB
};

// A program started in the background, each argument passed as one argument
// without a shell (looked up on PATH when `program` holds no slash). Its
// standard output and error go to files of its own, so it never blocks on
// them. `environment` changes its environment: "NAME=value" sets a
// variable, a bare "NAME" removes it.
class RunningProgram {
public:
    RunningProgram(const std::string& program, const std::vector<std::string>& arguments,
                   const std::vector<std::string>& environment = {});
    // A program still running is killed and reaped.
    ~RunningProgram();
    RunningProgram(const RunningProgram&) = delete;
    RunningProgram& operator=(const RunningProgram&) = delete;

    bool Started() const { return m_pid > 0; }
    pid_t Pid() const { return m_pid; }
    void Signal(int signal) const;
    // Waits for the program's end and returns what it reported.
    ProgramResult Finish();

private:
    TempDir m_files{"corvale-program-"};
    pid_t m_pid = -1;
};

// Whether a program of that name can be run from PATH.
bool IsProgramOnPath(const std::string& name);

// Runs the program to its end (see RunningProgram).
ProgramResult RunProgram(const std::string& program, const std::vector<std::string>& arguments,
                         const std::vector<std::string>& environment = {});
