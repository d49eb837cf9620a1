// Reading UTF-8 one code point at a time, and writing it back.
#include "base/utf8.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

TEST(Utf8, ReadsCodePointsAndReplacesBrokenBytes)
{
    struct Case {
        std::string text;
        std::vector<char32_t> codePoints;
    };
    const Case cases[] = {
        {"a\xC3\xA9\xE4\xB8\xAD\xF0\x9F\x98\x80", {'a', 0xE9, 0x4E2D, 0x1F600}},
        {"\x80z", {0xFFFD, 'z'}},                      // a stray continuation byte
        {"\xC0\xAF", {0xFFFD, 0xFFFD}},                // an overlong '/'
        {"\xED\xA0\x80", {0xFFFD, 0xFFFD, 0xFFFD}},    // a surrogate
        {"\xF4\x90\x80\x80", {0xFFFD, 0xFFFD, 0xFFFD, 0xFFFD}},  // beyond U+10FFFF
        {"\xE4\xB8", {0xFFFD, 0xFFFD}},                // cut off at the end
        {"\xE4z", {0xFFFD, 'z'}},                      // cut off by the next character
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        std::vector<char32_t> read;
        for (std::size_t pos = 0; pos < c.text.size();) read.push_back(NextCodePoint(c.text, pos));
        EXPECT_EQ(read, c.codePoints);
    }
    std::string written;
    for (char32_t cp : {char32_t('a'), char32_t(0xE9), char32_t(0x4E2D), char32_t(0x1F600)}) AppendUtf8(written, cp);
    EXPECT_EQ(written, cases[0].text);
}
