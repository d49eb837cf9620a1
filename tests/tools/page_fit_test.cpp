// What keeps a page inside the text column: break opportunities where the
// system's wkhtmltopdf finds none, Arabic-script letters in text nodes of
// their own, and the scale that tells a piece it shrank to fit.
#include "tools/renderer/arabic_runs.h"
#include "tools/renderer/break_opportunities.h"
#include "tools/renderer/piece_scale.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

namespace {

const std::string kHead = "<html><head><title>A/very/long/title/that/is/not/shown/on/the/page/at/all</title>"
                          "<style>p{background:url(a/very/long/path/of/a/picture/that/is/no/text.png)}</style>"
                          "</head><body>";
const std::string kLongPath = "/usr/share/doc/corvale/examples/first-chapter/with_a_long_name/and-more.html";

std::string Removed(std::string text, const std::string& what)
{
    for (std::size_t at = text.find(what); at != std::string::npos; at = text.find(what, at)) text.erase(at, what.size());
    return text;
}

// The body of kHead + `body` with its edits applied.
std::string Edited(const std::string& body)
{
    const std::string page = kHead + body + "</body></html>";
    const std::vector<HtmlToken> tokens = TokenizeHtml(page);
    std::string out;
    std::size_t at = 0;
    for (const TextEdit& edit : AddBreakOpportunities(page, tokens)) {
        EXPECT_GE(edit.begin, at);
        out += page.substr(at, edit.begin - at) + edit.text;
        at = edit.end;
    }
    out += page.substr(at);
    EXPECT_EQ(out.substr(0, kHead.size()), kHead) << "the head is never touched";
    return out.substr(kHead.size(), out.size() - kHead.size() - 14);
}

// The most characters between two break opportunities, blanks or tags, a
// character reference counting as one.
std::size_t LongestUnbroken(const std::string& text)
{
    std::size_t longest = 0, run = 0;
    for (std::size_t at = 0; at < text.size(); ++at) {
        if (text[at] == '<' || text[at] == ' ') {
            run = 0;
            if (text[at] == '<') at = text.find('>', at);
            continue;
        }
        if (text[at] == '&') at = text.find(';', at);
        longest = std::max(longest, ++run);
    }
    return longest;
}

struct BreakCase {
    const char* name;
    std::string body;
    bool changed;            // whether any <wbr> is added (Arabic-script runs aside)
    std::size_t longestRun;  // at most this many characters between break opportunities (0: not checked)
};

void PrintTo(const BreakCase& param, std::ostream* out) { *out << param.name; }

class BreakOpportunities : public ::testing::TestWithParam<BreakCase> {};

TEST_P(BreakOpportunities, OnlyWhereTheRendererFindsNoneAndNothingElseChanges)
{
    const BreakCase& c = GetParam();
    const std::string edited = Edited(c.body);
    EXPECT_EQ(Removed(Removed(edited, "<wbr>"), "<!---->"), c.body) << edited;
    EXPECT_EQ(edited.find("<wbr>") != std::string::npos, c.changed) << edited;
    if (c.longestRun) {
        EXPECT_LE(LongestUnbroken(edited), c.longestRun) << edited;
    }
}

INSTANTIATE_TEST_SUITE_P(
    Pages, BreakOpportunities,
    ::testing::Values(
        BreakCase{"OrdinaryWordsStay", "<p>An ordinary paragraph, with Donaudampfschifffahrtsgesellschaft.</p>", false, 0},
        BreakCase{"PathInTt", "<p>See <tt>" + kLongPath + "</tt> for more.</p>", true, 20},
        BreakCase{"PathInPlainText", "<p>See " + kLongPath + " for more.</p>", true, 20},
        BreakCase{"RunWithoutSeparators", "<p>" + std::string(100, 'x') + "</p>", true, 20},
        BreakCase{"CharacterReferencesStayWhole", "<p>" + std::string(30, 'a') + "&amp;" + std::string(30, 'b') +
                                                      "&#x2F;" + std::string(10, 'c') + "</p>",
                  true, 20},
        BreakCase{"ScriptAndStyleStay", "<script>var s='" + std::string(80, 'q') + "';</script><style>p{x:" +
                                            std::string(80, 'q') + "}</style><p>Short.</p>",
                  false, 0},
        BreakCase{"SvgAndMathStay", "<p><svg><text>" + kLongPath + "</text></svg><math><mi>" + kLongPath +
                                        "</mi></math></p>",
                  false, 0},
        BreakCase{"ChineseLeftToTheRenderer", "<p>中文的段落没有空格但是渲染器可以在任何地方断行中文的段落没有空格但是渲染器可以在任何地方断行</p>",
                  false, 0},
        BreakCase{"PersianLeftAlone", "<p dir=\"rtl\">این یک متن فارسی است <b>با callbacks</b> و canvas</p>", false, 0},
        BreakCase{"PersianWordsStayWhole", "<p>کتاب‌ها</p>", false, 0},
        BreakCase{"PathBesidePersian", "<p dir=\"rtl\">در " + kLongPath + " است.</p>", true, 20}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(BreakOpportunitiesInPaths, AfterTheirSeparators)
{
    EXPECT_EQ(Edited("<p>https://example.org/first/second/third/fourth/fifth</p>"),
              "<p>https://<wbr>example.<wbr>org/<wbr>first/<wbr>second/<wbr>third/<wbr>fourth/<wbr>fifth</p>");
}

// ---- Arabic-script letters in text nodes of their own ----

struct RunsCase {
    const char* name;
    std::string text;
    std::string separated;  // empty: left as it is
};

void PrintTo(const RunsCase& param, std::ostream* out) { *out << param.name; }

class ArabicRuns : public ::testing::TestWithParam<RunsCase> {};

TEST_P(ArabicRuns, SplitFromEverythingButBlanks)
{
    const RunsCase& c = GetParam();
    EXPECT_EQ(SeparateArabicRuns(c.text), c.separated);
}

INSTANTIATE_TEST_SUITE_P(
    Texts, ArabicRuns,
    ::testing::Values(
        RunsCase{"LettersAndBlanksStay", "خواندن کتاب‌ها لازم", ""},
        RunsCase{"LatinStays", "Callbacks, canvas and assets.", ""},
        RunsCase{"FullStop", "لازم است.", "<!---->لازم<!----> <!---->است<!---->."},
        RunsCase{"LatinWord", "در callbacks شناخته", "<!---->در<!----> callbacks <!---->شناخته<!---->"},
        RunsCase{"JoinersStayInTheirWord", "می‌شه.", "<!---->می‌شه<!---->."},
        RunsCase{"ArabicPunctuationAndDigits", "خواندن، ۱۲؟", "<!---->خواندن<!---->، ۱۲؟"},
        RunsCase{"CharacterReference", "&amp;است", "&amp;<!---->است<!---->"},
        RunsCase{"PresentationForms", "\uFEB3\uFEFC.", "<!---->\uFEB3\uFEFC<!---->."}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(ArabicRunsInPages, OnlyInTheBodysText)
{
    EXPECT_EQ(Edited("<p title=\"است.\">است.</p><script>var s='است.';</script>"),
              "<p title=\"است.\"><!---->است<!---->.</p><script>var s='است.';</script>");
}

// ---- the drawing's scale ----

struct ScaleCase {
    const char* name;
    std::string content;
    std::optional<double> scale;
    bool shrunk;
};

void PrintTo(const ScaleCase& param, std::ostream* out) { *out << param.name; }

class DrawingScales : public ::testing::TestWithParam<ScaleCase> {};

TEST_P(DrawingScales, ReadAfterThePagesClip)
{
    const ScaleCase& c = GetParam();
    const std::optional<double> scale = DrawingScaleOf(c.content);
    ASSERT_EQ(scale.has_value(), c.scale.has_value());
    if (!scale) return;
    EXPECT_DOUBLE_EQ(*scale, *c.scale);
    EXPECT_EQ(IsShrunk(*scale), c.shrunk);
}

// The start of a page as the system's wkhtmltopdf writes it: the page's
// flip and Qt's own scale before the clip, the drawing's scale after it.
std::string PageStart(const std::string& afterClip)
{
    return "/GSa gs /CSp cs /CSp CS\n0.750000000 0 0 -0.750000000 45 797 cm\nq q\nQ\nQ q\nq\nQ\nq\n"
           "0.960000000 0 0 0.960000000 0 0 cm\n/CSp cs 0 0 0 scn\nQ\nQ q\n0 0 m\n672.959989 0 l\n"
           "672.959989 990.234504 l\n0 990.234504 l\n0 0 l\nh\nW* n\nq\n" +
           afterClip + "\n/CSp cs 0 0 0 scn\n";
}

INSTANTIATE_TEST_SUITE_P(
    Pages, DrawingScales,
    ::testing::Values(ScaleCase{"AtItsSize", PageStart("0.768219165 0 0 0.768219165 0 0 cm"), 0.768219165, false},
                      ScaleCase{"SmallPageAtItsSize", PageStart("0.769377994 0 0 0.769377994 0 0 cm"), 0.769377994,
                                false},
                      ScaleCase{"ShrunkToHalf", PageStart("0.480342636 0 0 0.480342636 0 0 cm"), 0.480342636, true},
                      ScaleCase{"ShrunkALittle", PageStart("0.7 0 0 0.7 0 0 cm"), 0.7, true},
                      ScaleCase{"PictureBeforeTheScale",
                                PageStart("300 0 0 200 10 20 cm\n0.768 0 0 0.768 0 0 cm"), 0.768, false},
                      ScaleCase{"NoClip", "0.480000000 0 0 0.480000000 0 0 cm\n", std::nullopt, false},
                      ScaleCase{"NoDrawing", PageStart(""), std::nullopt, false}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
