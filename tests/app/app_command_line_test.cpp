// The window program's command line, read before any window exists.
#include "app/app_command_line.h"

#include "base/paths.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace fs = std::filesystem;

namespace {

using Action = AppCommandLine::Action;

std::wstring InCurrentFolder(const char* name) { return FromNativePath(fs::current_path() / name); }

}  // namespace

TEST(AppCommandLineTest, BooksFoldersAndOptions)
{
    struct Case {
        std::vector<std::wstring> args;
        Action action;
        std::vector<std::wstring> paths;
        std::string error;
    };
    const Case cases[] = {
        {{}, Action::OpenWindow, {}, ""},
        {{L"a.mobi", L"/books/b.mobi"}, Action::OpenWindow, {InCurrentFolder("a.mobi"), L"/books/b.mobi"}, ""},
        {{L"shelf/../Caf\u00e9.mobi", L"/books/"}, Action::OpenWindow, {InCurrentFolder("Caf\xC3\xA9.mobi"), L"/books/"}, ""},
        // An empty argument names nothing (it is not the current folder).
        {{L"", L"/a.mobi"}, Action::OpenWindow, {L"/a.mobi"}, ""},
        {{L"--", L"--odd.mobi", L"--help"}, Action::OpenWindow,
         {InCurrentFolder("--odd.mobi"), InCurrentFolder("--help")}, ""},
        {{L"-"}, Action::OpenWindow, {InCurrentFolder("-")}, ""},
        // Options act where they stand.
        {{L"/a.mobi", L"--help", L"--bogus"}, Action::ShowHelp, {}, ""},
        {{L"--version", L"--help"}, Action::ShowVersion, {}, ""},
        {{L"--bogus", L"--help"}, Action::UsageError, {}, "unrecognized option '--bogus'"},
        {{L"/a.mobi", L"-x"}, Action::UsageError, {}, "unrecognized option '-x'"},
        {{L"--output-folder", L"/out"}, Action::UsageError, {}, "unrecognized option '--output-folder'"},
    };
    for (const Case& c : cases) {
        const AppCommandLine result = ParseAppCommandLine(c.args);
        const std::string shown = c.args.empty() ? "(none)" : ToNativeBytes(c.args[0]);
        EXPECT_EQ(result.action, c.action) << shown;
        EXPECT_EQ(result.paths, c.paths) << shown;
        EXPECT_EQ(result.error, c.error) << shown;
    }
}
