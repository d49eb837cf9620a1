// Books in other scripts through mobi2html and bin/core/wkhtmltopdf: the
// PDF's text layer gives the book's letters, and text that no installed
// font can draw is said, not silently dropped.
#include "pdf_checks.h"
#include "run_program.h"
#include "run_renderer.h"

#include "support/test_fonts.h"
#include "temp_dir.h"
#include "test_books.h"
#include "tools/renderer/font_coverage.h"

#include "base/utf8.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <set>
#include <string>

namespace fs = std::filesystem;

namespace {

const fs::path kCore = fs::path(CORVALE_BIN_DIR) / "core";
const std::string kNoChineseFont = "wkhtmltopdf note: no font could draw its Chinese text\n";

bool IsPresentationForm(char32_t cp) { return (cp >= 0xFB00 && cp <= 0xFDFF) || (cp >= 0xFE70 && cp <= 0xFEFF); }

// The words of `text`: runs between white space and full stops, without the
// marks that order or join letters but are not letters (direction marks,
// embeddings, the zero-width non-joiner, which a PDF need not keep).
std::set<std::string> WordsOf(const std::string& text)
{
    std::set<std::string> words;
    std::string word;
    for (std::size_t pos = 0; pos < text.size();) {
        const char32_t cp = NextCodePoint(text, pos);
        if (cp == 0x200C || cp == 0x200E || cp == 0x200F || (cp >= 0x202A && cp <= 0x202E)) continue;
        if (cp == ' ' || cp == '\n' || cp == '\f' || cp == '.' || cp == 0x3002 || cp == 0xFF0C) {
            if (!word.empty()) words.insert(word);
            word.clear();
        } else {
            AppendUtf8(word, cp);
        }
    }
    if (!word.empty()) words.insert(word);
    return words;
}

std::size_t PresentationForms(const std::string& text)
{
    std::size_t count = 0;
    for (std::size_t pos = 0; pos < text.size();)
        count += IsPresentationForm(NextCodePoint(text, pos));
    return count;
}

class ScriptText : public ::testing::Test {
protected:
    // Writes the book, unpacks it with mobi2html and renders its page into
    // Pdf() on A4.
    ProgramResult Convert(const MobiBook& book)
    {
        const fs::path mobi = m_temp / "tmpmobi1.mobi";
        EXPECT_TRUE(WriteMobiBook(mobi, book));
        const ProgramResult unpacked =
            RunProgram((kCore / "mobi2html").string(), {mobi.string(), (m_temp / "html").string()});
        EXPECT_EQ(unpacked.exitCode, 0) << unpacked.errorOutput;
        return RunRenderer(kCore / "wkhtmltopdf", 210, 297, m_temp / "html" / "tmpmobi1.html", Pdf());
    }

    fs::path Pdf() const { return m_temp / "book.pdf"; }

    TempDir m_temp;
};

TEST_F(ScriptText, PersianTextLayerHoldsTheBooksLettersNotPresentationForms)
{
    const ScopedFonts fonts;
    const std::vector<std::string> paragraphs(std::begin(kPersianParagraphs), std::end(kPersianParagraphs));
    const ProgramResult rendered = Convert(MakeParagraphBook("Persian", paragraphs, true));
    ASSERT_EQ(rendered.exitCode, 0) << rendered.errorOutput;
    EXPECT_EQ(rendered.errorOutput.find("note:"), std::string::npos) << rendered.errorOutput;  // DejaVu has Arabic

    const std::string text = PdfText(Pdf());
    EXPECT_EQ(PresentationForms(text), 0u) << text;
    const std::set<std::string> found = WordsOf(text);
    for (const std::string& paragraph : paragraphs)
        for (const std::string& word : WordsOf(paragraph)) EXPECT_TRUE(found.count(word)) << word << "\n" << text;
}

TEST_F(ScriptText, ChineseWithoutAFontIsSaidAndWithOneIsDrawn)
{
    const MobiBook book = MakeParagraphBook("Chinese", {kChineseParagraph});
    {
        const ScopedFonts fonts;
        const ProgramResult rendered = Convert(book);
        ASSERT_EQ(rendered.exitCode, 0) << rendered.errorOutput;
        EXPECT_TRUE(rendered.errorOutput.ends_with(kNoChineseFont)) << rendered.errorOutput;
        EXPECT_EQ(PdfText(Pdf()).find("\xE6\x98\xA5"), std::string::npos);  // U+6625 was not drawn
    }
    const ScopedFonts fonts(CjkFontsConfig());
    if (!MissingFromFonts({0x6625, 0x5929}).empty())
        GTEST_SKIP() << "the font for Chinese is not installed (scripts/install-deps.sh installs it)";
    const ProgramResult rendered = Convert(book);
    ASSERT_EQ(rendered.exitCode, 0) << rendered.errorOutput;
    EXPECT_EQ(rendered.errorOutput.find("note:"), std::string::npos) << rendered.errorOutput;
    const std::set<std::string> found = WordsOf(PdfText(Pdf()));
    for (const std::string& phrase : WordsOf(kChineseParagraph)) EXPECT_TRUE(found.count(phrase)) << phrase;
}

}  // namespace
