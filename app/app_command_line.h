// The window program's command line: the books and folders to put into the
// list (what a file manager hands over when it opens books with Corvale),
// or --help and --version. Plain C++: it is read before the window system
// starts, so --help, --version and usage errors need no display.
#pragma once

#include <string>
#include <vector>

struct AppCommandLine {
    enum class Action { OpenWindow, ShowHelp, ShowVersion, UsageError };
    Action action = Action::OpenWindow;
    std::vector<std::wstring> paths;  // absolute, in the order given
    std::string error;                // what was wrong, for UsageError
};

// `args` are the arguments after the program's name, as the system gave them.
AppCommandLine ParseAppCommandLine(const std::vector<std::wstring>& args);

// Prints the help, the version or the usage error as command-line programs
// do (help and version on standard output, errors on standard error) and
// returns the exit status; -1 when the window is to open.
int ReportCommandLine(const AppCommandLine& commandLine);
