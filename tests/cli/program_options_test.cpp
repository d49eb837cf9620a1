// --help, --version and usage errors of both programs, as a user sees them,
// with no display: none of them may need one.
#include "support/run_program.h"

#include "corvale_version.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

struct Case {
    const char* program;
    std::vector<std::string> args;
    int exitCode;
    std::string outputStart;  // standard output begins with this
    std::string outputHolds;  // ... and holds this
    std::string errorHolds;   // standard error holds this; empty: it is empty
};

ProgramResult RunWithoutDisplay(const Case& c)
{
    return RunProgram(std::string(CORVALE_BIN_DIR) + "/" + c.program, c.args, {"DISPLAY", "WAYLAND_DISPLAY"});
}

void Check(const Case& c)
{
    const ProgramResult run = RunWithoutDisplay(c);
    const std::string shown = std::string(c.program) + (c.args.empty() ? "" : " " + c.args[0]);
    EXPECT_EQ(run.exitCode, c.exitCode) << shown << "\n" << run.errorOutput;
    EXPECT_EQ(run.output.rfind(c.outputStart, 0), 0u) << shown << ": " << run.output;
    EXPECT_NE(run.output.find(c.outputHolds), std::string::npos) << shown << ": " << run.output;
    if (c.errorHolds.empty())
        EXPECT_EQ(run.errorOutput, "") << shown;
    else
        EXPECT_NE(run.errorOutput.find(c.errorHolds), std::string::npos) << shown << ": " << run.errorOutput;
}

}  // namespace

TEST(ProgramOptions, ConvertHelpAndVersion)
{
    const std::string version = "corvale-convert " CORVALE_VERSION "\n";
    const Case cases[] = {
        {"corvale-convert", {"--version"}, 0, version, version, ""},
        {"corvale-convert", {"--help"}, 0, "Usage: corvale-convert ", "  --version", ""},
        {"corvale-convert", {"-h"}, 0, "Usage: corvale-convert ", "  -h, --help", ""},
        {"corvale-convert", {"--version", "--page-width", "100"}, 0, version, version, ""},
        {"corvale-convert", {"--bogus", "a.mobi"}, 2, "", "", "unknown option --bogus"},
    };
    for (const Case& c : cases)
        Check(c);
    // Exactly one line: the name and the version of the About box.
    EXPECT_EQ(RunWithoutDisplay(cases[0]).output, "corvale-convert 1.0\n");
}

#ifdef CORVALE_HAS_WINDOW
TEST(ProgramOptions, WindowProgramAnswersWithoutADisplay)
{
    const std::string version = "corvale " CORVALE_VERSION "\n";
    const Case cases[] = {
        {"corvale", {"--version"}, 0, version, version, ""},
        {"corvale", {"--help"}, 0, "Usage: corvale ", "  --version", ""},
        {"corvale", {"--help", "--bogus"}, 0, "Usage: corvale ", "  --help", ""},
        {"corvale", {"--bogus"}, 2, "", "", "corvale: unrecognized option '--bogus'\nTry 'corvale --help'"},
        {"corvale", {"/a.mobi", "--page-width"}, 2, "", "", "unrecognized option '--page-width'"},
    };
    for (const Case& c : cases)
        Check(c);
    EXPECT_EQ(RunWithoutDisplay(cases[0]).output, "corvale 1.0\n");
}
#endif
