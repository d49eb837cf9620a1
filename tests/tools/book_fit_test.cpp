// Books whose content is wider than the text column, rendered at the
// layout's size all the same: every page's body text keeps its size, no
// word is cut at the page's edge, a heading never ends a page without its
// text, and only the piece that needs it is rendered again.
#include "pdf_checks.h"
#include "run_program.h"
#include "run_renderer.h"
#include "temp_dir.h"
#include "test_books.h"
#include "test_fonts.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <ostream>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

const fs::path kCore = fs::path(CORVALE_BIN_DIR) / "core";
constexpr int kA4Width = 210, kA4Height = 297;
constexpr double kPointsPerMm = 72 / 25.4;
// Body text on A4 is set at 12 points, its word boxes some 14 points high;
// a piece the renderer shrank to fit has boxes of 9 points or less.
constexpr double kLeastBodyBox = 11.5, kMostBodyBox = 16;

std::string Squeezed(std::string_view text)
{
    std::string out;
    for (const char c : text)
        if (c != ' ' && c != '\n' && c != '\r' && c != '\f' && c != '\t') out += c;
    return out;
}

std::string Paragraphs(int count)
{
    std::string html;
    for (int i = 0; i < count; ++i)
        html += "<p>The printed page keeps its margins and its readable type in every sentence of the book. "
                "A reader turns the page and finds the text where it belongs.</p>";
    return html;
}

class BookFit : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_FALSE(m_temp.path().empty()); }

    // `body` as a book of the MOBI writer, through mobi2html and the
    // renderer onto A4 with `extra` options; the PDF.
    fs::path Render(const std::string& body, const std::vector<std::string>& extra = {})
    {
        MobiBook book;
        book.title = "Fit";
        book.html = "<html><head></head><body>" + body + "</body></html>";
        const fs::path file = m_temp / "fit.mobi", html = m_temp / "html", pdf = m_temp / "fit.pdf";
        EXPECT_TRUE(WriteMobiBook(file, book));
        const ProgramResult unpacked = RunProgram((kCore / "mobi2html").string(), {file.string(), html.string()});
        EXPECT_EQ(unpacked.exitCode, 0) << unpacked.errorOutput;
        std::vector<std::string> options{"--verbose"};
        options.insert(options.end(), extra.begin(), extra.end());
        const ProgramResult rendered =
            RunRenderer(kCore / "wkhtmltopdf", kA4Width, kA4Height, html / "fit.html", pdf, options);
        EXPECT_EQ(rendered.exitCode, 0) << rendered.errorOutput;
        m_report = rendered.output;
        return pdf;
    }

    // How many pieces the last render rendered a second time.
    int RenderedAgain() const
    {
        const std::size_t at = m_report.find("render, ");
        return at == std::string::npos ? -1 : std::atoi(m_report.c_str() + at + 8);
    }

    TempDir m_temp;
    std::string m_report;
};

// ---- type at its size ----

struct FitCase {
    const char* name;
    std::string wide;  // what the book holds between its paragraphs
    std::string kept;  // text that must be in the PDF, without blanks,
    int times;         // this many times
    int again;         // pieces rendered again
};

void PrintTo(const FitCase& param, std::ostream* out) { *out << param.name; }

class WideContent : public BookFit, public ::testing::WithParamInterface<FitCase> {};

TEST_P(WideContent, EveryPageKeepsTheBodyTextsSizeAndEveryWord)
{
    const FitCase& c = GetParam();
    const fs::path pdf = Render(Paragraphs(6) + c.wide + Paragraphs(6));
    const std::vector<double> medians = MedianWordHeights(PdfWords(pdf));
    ASSERT_FALSE(medians.empty());
    for (std::size_t page = 0; page < medians.size(); ++page) {
        SCOPED_TRACE("page " + std::to_string(page + 1));
        EXPECT_GE(medians[page], kLeastBodyBox);
        EXPECT_LE(medians[page], kMostBodyBox);
    }
    const std::string text = Squeezed(PdfText(pdf));
    int found = 0;
    for (std::size_t at = text.find(c.kept); at != std::string::npos; at = text.find(c.kept, at + 1)) ++found;
    EXPECT_EQ(found, c.times) << c.kept;
    EXPECT_EQ(RenderedAgain(), c.again) << m_report;
}

// A path whose longest part, of 110 characters, is wider than the column.
const std::string kPath = "/home/reader/Documents/Projects/corvale-examples/"
                          "averyveryverylongfoldernamewithoutanybreakinsideitatall"
                          "averyveryverylongfoldernamewithoutanybreakinsideitatall/chapter-one.html";

std::string WideTable()
{
    std::string row = "<tr>";
    for (int column = 1; column <= 12; ++column) row += "<td>Column_" + std::to_string(column) + "_heading</td>";
    return "<table border=\"1\">" + row + "</tr>" + row + "</tr></table>";
}

std::string Codewords()
{
    std::string words;
    for (int word = 0; word < 40; ++word) words += "codeword(" + std::to_string(word) + "); ";
    return words;
}

INSTANTIATE_TEST_SUITE_P(
    Books, WideContent,
    ::testing::Values(FitCase{"OrdinaryBook", "", "Areaderturnsthepage", 12, 0},
                      FitCase{"LongPathInTt", "<p>Open <tt>" + kPath + "</tt> now.</p>", Squeezed(kPath), 1, 0},
                      FitCase{"LongPathInKbd", "<p>Type <kbd>" + kPath + "</kbd> now.</p>", Squeezed(kPath), 1, 0},
                      FitCase{"LongPathInText", "<p>Open " + kPath + " now.</p>", Squeezed(kPath), 1, 0},
                      FitCase{"TableWiderThanThePage", WideTable(), "Colu", 24, 1},
                      FitCase{"PreformattedLinesKeptFromWrapping",
                              "<pre style=\"white-space: nowrap\">" + Codewords() + "</pre>", "codeword(39);", 1, 1},
                      FitCase{"BlockWiderThanThePage",
                              "<div style=\"width: 1500px\">" + Paragraphs(1) + "</div>", "Areaderturnsthepage", 13, 2},
                      FitCase{"BlockMovedOutOfTheColumn",
                              "<div style=\"position: relative; left: 900px\">Movedaway</div>", "Movedaway", 1, 2},
                      FitCase{"LineKeptFromWrapping",
                              "<p style=\"white-space: nowrap\">" + Codewords() + "</p>", "codeword(39);", 1, 2}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(BookFit, OnlyThePieceThatShrankIsRenderedAgain)
{
    std::string body;
    for (int chapter = 0; chapter < 4; ++chapter)
        body += std::string(chapter ? "<mbp:pagebreak/>" : "") + "<h2>Chapter " + std::to_string(chapter + 1) +
                "</h2>" + Paragraphs(4) + (chapter == 2 ? WideTable() : "");
    const fs::path pdf = Render(body, {"--piece-kb", "1"});
    EXPECT_EQ(RenderedAgain(), 1) << m_report;
    for (const double median : MedianWordHeights(PdfWords(pdf))) EXPECT_GE(median, kLeastBodyBox);
}

// ---- right-to-left lines ----

// Persian sentences with Latin words and punctuation beside their letters:
// every line wraps inside the text column, its words drawn side by side and
// all of them in the text layer.
TEST_F(BookFit, RightToLeftLinesStayInsideTheTextColumn)
{
    constexpr int kSentences = 12;
    std::string body = "<p dir=\"rtl\">";
    for (int sentence = 0; sentence < kSentences; ++sentence)
        body += "خواندن کتاب‌ها لازم است. این روش در callbacks شناخته می‌شه و روی canvas کار می‌کند. ";
    const fs::path pdf = Render(body + "</p>");
    const double pageWidth = kA4Width * kPointsPerMm, margin = kA4Width * 0.075 * kPointsPerMm;
    const std::vector<PdfWord> words = PdfWords(pdf);
    ASSERT_FALSE(words.empty());
    for (const PdfWord& word : words) {
        SCOPED_TRACE(word.text);
        EXPECT_GE(word.xMin, margin - 1);
        EXPECT_LE(word.xMax, pageWidth - margin + 1);
    }
    // The boxes of each line, left to right, each starting where the one
    // before it ends at the earliest (joined glyphs touch).
    std::map<std::pair<int, long>, std::vector<const PdfWord*>> lines;
    for (const PdfWord& word : words) lines[{word.page, std::lround(word.yMax)}].push_back(&word);
    EXPECT_GE(lines.size(), 6u) << "the paragraph wraps";
    for (auto& [line, boxes] : lines) {
        std::sort(boxes.begin(), boxes.end(), [](const PdfWord* a, const PdfWord* b) { return a->xMin < b->xMin; });
        for (std::size_t i = 0; i + 1 < boxes.size(); ++i)
            EXPECT_GE(boxes[i + 1]->xMin, boxes[i]->xMax - 1) << boxes[i]->text << " " << boxes[i + 1]->text;
    }
    for (const double median : MedianWordHeights(words)) EXPECT_GE(median, kLeastBodyBox);
    const std::string text = Squeezed(PdfText(pdf));
    for (const std::string word : {"callbacks", "canvas", "شناخته", "کار", "لازم"}) {
        int found = 0;
        for (std::size_t at = text.find(word); at != std::string::npos; at = text.find(word, at + 1)) ++found;
        EXPECT_EQ(found, kSentences) << word;
    }
}

// ---- headings kept with their text ----

// Sections that each start a page with a blank block a few pixels taller
// than the one before, so that one of them brings its heading to the foot
// of the page, with no room left for its text.
TEST_F(BookFit, AHeadingNeverEndsAPageWithoutItsText)
{
    constexpr int kSections = 18;
    std::string body;
    for (int section = 0; section < kSections; ++section)
        body += std::string(section ? "<mbp:pagebreak/>" : "") + "<div style=\"height: " +
                std::to_string(850 + 6 * section) + "px\"></div><h2>Heading " + std::to_string(section) +
                "</h2><p>Sectiontext" + std::to_string(section) + " begins right under its heading.</p>";
    const fs::path pdf = Render(body);
    const std::vector<PdfWord> words = PdfWords(pdf);
    std::vector<int> headingPage(kSections, 0), textPage(kSections, 0);
    for (std::size_t i = 0; i + 1 < words.size(); ++i) {
        if (words[i].text == "Heading") headingPage.at(std::stoi(words[i + 1].text)) = words[i].page;
        if (words[i].text.starts_with("Sectiontext")) textPage.at(std::stoi(words[i].text.substr(11))) = words[i].page;
    }
    for (int section = 0; section < kSections; ++section) {
        SCOPED_TRACE("section " + std::to_string(section));
        EXPECT_GT(headingPage[section], 0);
        EXPECT_EQ(headingPage[section], textPage[section]);
    }
    // The outline's entries go with their headings to the page they moved to.
    const std::vector<PdfOutlineEntry> outline = PdfOutline(pdf);
    ASSERT_EQ(outline.size(), static_cast<std::size_t>(kSections));
    for (const PdfOutlineEntry& entry : outline) {
        SCOPED_TRACE(entry.title);
        ASSERT_TRUE(entry.title.starts_with("Heading "));
        EXPECT_EQ(entry.page, headingPage.at(std::stoi(entry.title.substr(8))));
    }
}

// ---- fonts ----

TEST(TestFonts, EveryTestRendersWithDejaVuAlone)
{
    const char* variable = std::getenv("FONTCONFIG_FILE");
    ASSERT_NE(variable, nullptr);
    EXPECT_EQ(fs::path(variable), FixedFontsConfig());
    const ProgramResult families = RunProgram("fc-list", {":", "family"});
    ASSERT_EQ(families.exitCode, 0);
    EXPECT_NE(families.output.find("DejaVu Serif"), std::string::npos);
    for (std::size_t at = 0; at < families.output.size();) {
        const std::size_t end = families.output.find('\n', at);
        const std::string family = families.output.substr(at, end - at);
        EXPECT_TRUE(family.starts_with("DejaVu")) << family;
        at = end == std::string::npos ? families.output.size() : end + 1;
    }
}

}  // namespace
