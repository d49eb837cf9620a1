// What a PDF holds, read back with poppler's command-line tools and, for
// what they don't show (outline, link destinations, document information),
// with libqpdf.
#pragma once

#include <filesystem>
#include <map>
#include <optional>
#include <string>
#include <utility>
#include <vector>

// The PDF's text in reading order (pdftotext), pages ended by form feeds.
std::string PdfText(const std::filesystem::path& pdf);

// The text of page `page` (1-based) alone.
std::string PdfPageText(const std::filesystem::path& pdf, int page);

// The size of every page in points (pdfinfo), in order.
std::vector<std::pair<double, double>> PdfPageSizes(const std::filesystem::path& pdf);

// The width and height in pixels of every picture the PDF shows (pdfimages
// -list), in order.
std::vector<std::pair<int, int>> PdfImageSizes(const std::filesystem::path& pdf);

// The box in points, from the page's top left corner, around everything
// drawn on page `page` (1-based) that is not white; nothing for a blank
// page. Read from the page rendered at 72 dots per inch (pdftoppm).
struct PdfBox {
    double left = 0, top = 0, right = 0, bottom = 0;
};
std::optional<PdfBox> PdfInkBox(const std::filesystem::path& pdf, int page);

// Every word with its box in points from the page's top left corner
// (pdftotext -bbox).
struct PdfWord {
    int page = 0;  // 1-based
    double xMin = 0, yMin = 0, xMax = 0, yMax = 0;
    std::string text;
};
std::vector<PdfWord> PdfWords(const std::filesystem::path& pdf);

// The median height of the word boxes of each page, in points, in order
// (0 for a page without words): the size of its body text, however many
// headings and notes it also holds.
std::vector<double> MedianWordHeights(const std::vector<PdfWord>& words);

// The outline, entry by entry in reading order: its title as UTF-8, its
// nesting depth (0 for the top level) and the page its destination names
// (1-based, 0 when it names none).
struct PdfOutlineEntry {
    std::string title;
    int depth = 0;
    int page = 0;
};
std::vector<PdfOutlineEntry> PdfOutline(const std::filesystem::path& pdf);

// Every link annotation: the page it is on, and either the address it opens
// or the page its destination names (1-based, 0 for none).
struct PdfLink {
    int page = 0;
    std::string uri;
    int destination = 0;
};
std::vector<PdfLink> PdfLinks(const std::filesystem::path& pdf);

// The document information as UTF-8 (Title, Author, Subject, Producer,
// ...), with the catalog's Lang and PageMode.
std::map<std::string, std::string> PdfInfo(const std::filesystem::path& pdf);

// What the PDF gives away of the machine it was made on: "file:" (a link to
// a local file) or one of `paths`, found anywhere in its bytes; empty when
// there is nothing.
std::string PdfLocalTraces(const std::filesystem::path& pdf, const std::vector<std::string>& paths = {});
