// Which of a page's characters no installed font can draw, and how that is
// said to the reader.
#include "tools/renderer/font_coverage.h"

#include "support/test_fonts.h"

#include <gtest/gtest.h>

#include <ostream>
#include <string>
#include <vector>

namespace {

TEST(TextCodePoints, AreTheDistinctCharactersOfTheTextAlone)
{
    const std::string page =
        "<html><head><style>p:before { content: '\xE4\xB8\x80' }</style><title>T\xC3\xBC</title></head>"
        "<body><p title=\"\xE6\x97\xA5\">Caf\xC3\xA9 &#x4E2D; &amp; &eacute; a\xE2\x80\x8C" "b \xE2\x80\x94 \xF0\x9F\x98\x80"
        "\xC3\xA9\xC2\x85</p><!-- \xE6\x9C\x88 --><script>var s = '\xE7\x81\xAB';</script></body></html>";
    // U+00E9 twice and as an entity, U+4E2D as a reference, U+2014, U+1F600;
    // not the style's, title's, attribute's, comment's or script's
    // characters, nor the zero-width non-joiner or a C1 control.
    EXPECT_EQ(TextCodePoints(TokenizeHtml(page)), (std::vector<char32_t>{0xE9, 0x2014, 0x4E2D, 0x1F600}));
}

struct NoteCase {
    std::vector<char32_t> missing;
    std::string note;
    friend void PrintTo(const NoteCase& c, std::ostream* out) { *out << '"' << c.note << '"'; }
};

class MissingFontNotes : public ::testing::TestWithParam<NoteCase> {};

TEST_P(MissingFontNotes, NameTheScripts)
{
    EXPECT_EQ(MissingFontNote(GetParam().missing), GetParam().note);
}

INSTANTIATE_TEST_SUITE_P(
    Scripts, MissingFontNotes,
    ::testing::Values(NoteCase{{}, ""},
                      NoteCase{{0x3002, 0x4E2D, 0x6587}, "no font could draw its Chinese text"},
                      // Han beside kana is Japanese, beside hangul Korean.
                      NoteCase{{0x3042, 0x4E2D}, "no font could draw its Japanese text"},
                      NoteCase{{0x4E2D, 0xAC00}, "no font could draw its Korean text"},
                      NoteCase{{0x3042, 0x4E2D, 0xAC00}, "no font could draw its Japanese and Korean text"},
                      NoteCase{{0x0627, 0x0E01, 0x10D0}, "no font could draw its Arabic, Thai and Georgian text"},
                      NoteCase{{0x0E01, 0x1F600}, "no font could draw its Thai text and some other characters"},
                      NoteCase{{0x1F600, 0xE000}, "no font could draw some of its characters"}));

TEST(MissingFromFonts, FindsWhatTheConfiguredFontsLack)
{
    const ScopedFonts fonts;
    // DejaVu has Latin, Cyrillic, Arabic and Hebrew, but no Han or hangul.
    EXPECT_EQ(MissingFromFonts({0xE9, 0x0416, 0x0627, 0x05D0, 0x4E2D, 0xAC00}),
              (std::vector<char32_t>{0x4E2D, 0xAC00}));
    EXPECT_TRUE(MissingFromFonts({}).empty());
}

}  // namespace
