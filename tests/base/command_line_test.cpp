#include "base/command_line.h"

#include <gtest/gtest.h>

#ifdef _WIN32
#include <windows.h>
#include <shellapi.h>
#endif

#include <ostream>
#include <string>
#include <vector>

namespace {

struct QuoteCase {
    const char* name;
    std::wstring argument;
    std::wstring quoted;
};

// Cases print as their names in test listings.
void PrintTo(const QuoteCase& c, std::ostream* out) { *out << c.name; }

class QuoteArgumentTest : public testing::TestWithParam<QuoteCase> {};

TEST_P(QuoteArgumentTest, QuotesOnlyWhatTheRuntimeWouldCut)
{
    EXPECT_EQ(QuoteArgument(GetParam().argument), GetParam().quoted);
}

INSTANTIATE_TEST_SUITE_P(Arguments, QuoteArgumentTest,
    testing::Values(
        QuoteCase{"Plain", L"--quiet", L"--quiet"},
        QuoteCase{"Empty", L"", L"\"\""},
        QuoteCase{"Space", L"C:\\Program Files\\x.html", L"\"C:\\Program Files\\x.html\""},
        QuoteCase{"Tab", L"a\tb", L"\"a\tb\""},
        QuoteCase{"Quote", L"say \"hi\"", L"\"say \\\"hi\\\"\""},
        QuoteCase{"BackslashesBeforeQuote", L"a\\\\\"b", L"\"a\\\\\\\\\\\"b\""},
        QuoteCase{"TrailingBackslashQuoted", L"C:\\a b\\", L"\"C:\\a b\\\\\""},
        QuoteCase{"TrailingBackslashBare", L"C:\\ab\\", L"C:\\ab\\"},
        QuoteCase{"NonAscii", L"Z:\\b\u00fccher\\\u65e5\u672c.html", L"Z:\\b\u00fccher\\\u65e5\u672c.html"}),
    [](const testing::TestParamInfo<QuoteCase>& info) { return std::string(info.param.name); });

TEST(JoinCommandLine, JoinsWithSpaces)
{
    EXPECT_EQ(JoinCommandLine({L"a", L"b c", L""}), L"a \"b c\" \"\"");
}

#ifdef _WIN32
// Windows' own reader of command lines gives every argument back whole.
TEST(JoinCommandLine, WindowsReadsEveryArgumentBack)
{
    const std::vector<std::wstring> arguments = {
        L"program", L"", L"a b", L"\"", L"\\\"", L"x\\", L"x \\", L"\\\\server\\share\\d\u00e9j\u00e0 vu.html"};
    int count = 0;
    wchar_t** read = CommandLineToArgvW(JoinCommandLine(arguments).c_str(), &count);
    ASSERT_NE(read, nullptr);
    std::vector<std::wstring> back(read, read + count);
    LocalFree(read);
    EXPECT_EQ(back, arguments);
}
#endif

}  // namespace
