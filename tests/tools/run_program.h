// Runs a command-line tool for a test and collects what it reports.
#pragma once

#include <string>
#include <vector>

struct ProgramResult {
    int exitCode = -1;        // -1 when the program could not be started or was killed
    std::string errorOutput;  // everything it wrote to standard error
    long peakMemoryKb = 0;    // the most memory it held at once (resident set), in KiB
};

// Runs `program` (looked up on PATH when it holds no slash) with `arguments`,
// each passed as one argument without a shell. Standard output is discarded.
// `environment` changes the program's environment: "NAME=value" sets a
// variable, a bare "NAME" removes it.
ProgramResult RunProgram(const std::string& program, const std::vector<std::string>& arguments,
                         const std::vector<std::string>& environment = {});
