// The command line of corvale-convert.
#pragma once

#include <string>
#include <vector>

struct CliOptions {
    int pageWidth = 210;
    int pageHeight = 297;
    bool sameFolder = true;
    std::string outputFolder;  // as given; used when sameFolder is false
    bool replace = false;
    bool help = false;
    bool version = false;  // --help wins when both are given
    std::vector<std::string> books;
};

// Parses argv; false with `error` set on a usage error.
bool ParseCliOptions(int argc, const char* const argv[], CliOptions& options, std::string& error);

extern const char* const kCliUsage;
