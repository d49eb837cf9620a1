#include "section_books.h"

#include <cstdint>
#include <string>
#include <vector>

namespace {

constexpr const char* kHead = "<html><head><title>Sections</title></head><body aid=\"0\">";
constexpr const char* kEnd = "</body></html>";

std::string Paragraph(int chapter, int section, int number)
{
    std::string text = "<p aid=\"" + std::to_string(number) + "\">Paragraph " + std::to_string(number) + " of section " +
                       std::to_string(chapter) + "." + std::to_string(section) + ".";
    for (int i = 0; i < 7; ++i) text += " The reader walks on through the long text, past naïve words and a café, page by page.";
    return text + "</p>";
}

// The markup of one section; the second section of a chapter breaks the page before it.
std::string Section(int chapter, int section, int paragraphs)
{
    std::string text = section == 2 ? "<h3 class=\"section\" style=\"page-break-before:always\">" : "<h3 class=\"section\">";
    text += SectionHeading(chapter, section) + "</h3>";
    for (int i = 1; i <= paragraphs; ++i) text += Paragraph(chapter, section, i);
    return text;
}

std::string ChapterHeadingMarkup(int chapter)
{
    return "<h2 aid=\"c" + std::to_string(chapter) + "\">Chapter " + std::to_string(chapter) + "</h2>";
}

std::string Base32(std::uint32_t value, int digits)
{
    std::string text(static_cast<std::size_t>(digits), '0');
    for (int i = digits - 1; i >= 0 && value != 0; --i, value /= 32)
        text[static_cast<std::size_t>(i)] = "0123456789ABCDEFGHIJKLMNOPQRSTUV"[value % 32];
    return text;
}

// Where an entry leads within `text`: to its heading's '<', or into the tag.
std::uint32_t HeadingOffset(const std::string& text, int chapter, int section)
{
    const std::size_t heading = text.find(SectionHeading(chapter, section) + "</h3>");
    const std::size_t tag = text.rfind("<h3", heading);
    return static_cast<std::uint32_t>(section == 2 ? tag + 4 : tag);
}

}  // namespace

std::string SectionHeading(int chapter, int section)
{
    return "Section " + std::to_string(chapter) + "." + std::to_string(section);
}

MobiBook MakeKf8SectionsBook(int chapters, int sections, int paragraphs)
{
    MobiBook book;
    book.title = "KF8 Sections";
    book.author = "Corvale Tests";
    const std::string skeleton = std::string(kHead) + kEnd;
    const std::size_t contentAt = std::string(kHead).size();

    // Fragment 0 is the contents; chapter c has fragments 2c-1 and 2c.
    std::vector<std::vector<std::string>> fragments;
    for (int chapter = 1; chapter <= chapters; ++chapter) {
        std::string first = "<div aid=\"d" + std::to_string(chapter) + "\">" + ChapterHeadingMarkup(chapter) +
                            Section(chapter, 1, paragraphs) + "</div>";
        std::string rest = "<div>";
        for (int section = 2; section <= sections; ++section) rest += Section(chapter, section, paragraphs);
        rest += "</div>";
        fragments.push_back({first, rest});
    }
    std::string contents = "<div aid=\"t\"><h1>Contents</h1>";
    for (int chapter = 1; chapter <= chapters; ++chapter) {
        MobiTocEntry entry{"Chapter " + std::to_string(chapter), 0, {}, static_cast<std::uint32_t>(2 * chapter - 1), 0};
        for (int section = 1; section <= sections; ++section) {
            const int part = section == 1 ? 0 : 1;
            const std::uint32_t fragment = static_cast<std::uint32_t>(2 * chapter - 1 + part);
            const std::uint32_t offset = HeadingOffset(fragments[chapter - 1][part], chapter, section);
            entry.children.push_back({SectionHeading(chapter, section), 0, {}, fragment, offset});
            contents += "<p><a href=\"kindle:pos:fid:" + Base32(fragment, 4) + ":off:" + Base32(offset, 10) + "\">" +
                        SectionHeading(chapter, section) + "</a></p>";
        }
        book.toc.push_back(std::move(entry));
    }
    contents += "</div>";
    book.kf8Files.push_back({skeleton, contentAt, {contents}});
    for (std::vector<std::string>& chapter : fragments) book.kf8Files.push_back({skeleton, contentAt, std::move(chapter)});
    return book;
}

MobiBook MakeKf7SectionsBook(int chapters, int sections, int paragraphs)
{
    MobiBook book;
    book.title = "KF7 Sections";
    book.author = "Corvale Tests";
    book.html = kHead;
    for (int chapter = 1; chapter <= chapters; ++chapter) {
        if (chapter > 1) book.html += "<mbp:pagebreak/>";
        book.html += ChapterHeadingMarkup(chapter);
        for (int section = 1; section <= sections; ++section) book.html += Section(chapter, section, paragraphs);
    }
    book.html += kEnd;
    for (int chapter = 1; chapter <= chapters; ++chapter) {
        const std::string heading = ChapterHeadingMarkup(chapter);
        MobiTocEntry entry{"Chapter " + std::to_string(chapter), static_cast<std::uint32_t>(book.html.find(heading)), {}};
        for (int section = 1; section <= sections; ++section)
            entry.children.push_back({SectionHeading(chapter, section), HeadingOffset(book.html, chapter, section), {}});
        book.toc.push_back(std::move(entry));
    }
    return book;
}
