#include "app_command_line.h"

#include "base/paths.h"

#include "corvale_version.h"

#include <cstdio>

namespace {

constexpr char kUsage[] =
    "Usage: corvale [BOOK | FOLDER]...\n"
    "Opens the Corvale window, which converts MOBI e-books into PDF documents.\n"
    "Each BOOK (a .mobi file) is added to the list as Add File(s) adds it, and\n"
    "each FOLDER adds the .mobi files directly inside it, as Add Folder does.\n"
    "\n"
    "  --help     display this help and exit\n"
    "  --version  output version information and exit\n"
    "  --         take every later argument as a book or folder\n"
    "\n"
    "corvale-convert converts books on the command line.\n";

}  // namespace

AppCommandLine ParseAppCommandLine(const std::vector<std::wstring>& args)
{
    // Options act where they stand, as in most programs: what follows
    // --help or --version is not looked at.
    AppCommandLine result;
    bool onlyPaths = false;
    for (const std::wstring& arg : args) {
        if (arg.empty())
            continue;  // names nothing; as a path it would be the current folder
        if (onlyPaths || arg[0] != L'-' || arg == L"-") {
            result.paths.push_back(AbsolutePath(arg));
        } else if (arg == L"--") {
            onlyPaths = true;
        } else if (arg == L"--help" || arg == L"--version") {
            return {arg == L"--help" ? AppCommandLine::Action::ShowHelp : AppCommandLine::Action::ShowVersion, {}, {}};
        } else {
            return {AppCommandLine::Action::UsageError, {}, "unrecognized option '" + ToNativeBytes(arg) + "'"};
        }
    }
    return result;
}

int ReportCommandLine(const AppCommandLine& commandLine)
{
    switch (commandLine.action) {
    case AppCommandLine::Action::ShowHelp:
        std::fputs(kUsage, stdout);
        return 0;
    case AppCommandLine::Action::ShowVersion:
        std::puts("corvale " CORVALE_VERSION);
        return 0;
    case AppCommandLine::Action::UsageError:
        std::fprintf(stderr, "corvale: %s\nTry 'corvale --help' for more information.\n", commandLine.error.c_str());
        return 2;
    case AppCommandLine::Action::OpenWindow:
        break;
    }
    return -1;
}
