#include "tools/convert/cli_options.h"

#include <gtest/gtest.h>

namespace {

bool Parse(std::vector<const char*> args, CliOptions& options, std::string& error)
{
    args.insert(args.begin(), "corvale-convert");
    return ParseCliOptions(static_cast<int>(args.size()), args.data(), options, error);
}

}  // namespace

TEST(CliOptionsTest, DefaultsAreA4BesideEachBookKeepingPdfs)
{
    CliOptions options;
    std::string error;
    ASSERT_TRUE(Parse({"a.mobi", "b.mobi"}, options, error)) << error;
    EXPECT_EQ(options.pageWidth, 210);
    EXPECT_EQ(options.pageHeight, 297);
    EXPECT_TRUE(options.sameFolder);
    EXPECT_FALSE(options.replace);
    EXPECT_EQ(options.books, (std::vector<std::string>{"a.mobi", "b.mobi"}));
}

TEST(CliOptionsTest, EveryOption)
{
    CliOptions options;
    std::string error;
    ASSERT_TRUE(Parse({"--page-width", "26", "--page-height", "1500", "--output-folder", "out", "--replace", "--",
                       "--odd.mobi"},
                      options, error));
    EXPECT_EQ(options.pageWidth, 26);
    EXPECT_EQ(options.pageHeight, 1500);
    EXPECT_FALSE(options.sameFolder);
    EXPECT_EQ(options.outputFolder, "out");
    EXPECT_TRUE(options.replace);
    EXPECT_EQ(options.books, (std::vector<std::string>{"--odd.mobi"}));
}

TEST(CliOptionsTest, UsageErrors)
{
    const std::vector<std::vector<const char*>> wrong = {
        {},
        {"--page-width", "25", "a.mobi"},
        {"--page-height", "1501", "a.mobi"},
        {"--page-width", "12mm", "a.mobi"},
        {"--page-width"},
        {"--output-folder"},
        {"--output-folder", "out", "--same-folder", "a.mobi"},
        {"--bogus", "a.mobi"},
    };
    for (const auto& args : wrong) {
        CliOptions options;
        std::string error;
        EXPECT_FALSE(Parse(args, options, error)) << (args.empty() ? "(none)" : args[0]);
        EXPECT_FALSE(error.empty());
    }
}

TEST(CliOptionsTest, HelpAndVersionNeedNoBook)
{
    struct Case {
        std::vector<const char*> args;
        bool help;
        bool version;
    };
    const Case cases[] = {
        {{"--help"}, true, false},
        {{"-h"}, true, false},
        {{"--version"}, false, true},
        {{"--version", "--help"}, true, true},
        {{"a.mobi", "--version"}, false, true},
    };
    for (const Case& c : cases) {
        CliOptions options;
        std::string error;
        ASSERT_TRUE(Parse(c.args, options, error)) << c.args[0] << ": " << error;
        EXPECT_EQ(options.help, c.help) << c.args[0];
        EXPECT_EQ(options.version, c.version) << c.args[0];
    }
}
