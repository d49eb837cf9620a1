// What a book hands the page: its document information, its text parts and
// its own table of contents.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

// The book's metadata, as plain UTF-8 text (no entities).
struct DocumentInfo {
    std::string title;                 // the full title
    std::vector<std::string> authors;  // the creators, in the book's order
    std::string language;              // a language tag such as "en-us"; empty when unknown
    std::string subject;               // empty when the book names none
};

// One text part of the book, an HTML document in UTF-8.
struct PagePart {
    std::string name;    // the file name the book's links use for it ("part00001.html")
    std::string markup;
};

// One entry of the book's table of contents.
struct TocEntry {
    std::string label;   // plain UTF-8 text
    std::string target;  // a reference as the book's links write it: "#id", "part00001.html#id", "part00001.html"
    std::vector<TocEntry> children;
    std::size_t order = 0;  // which navPoint of the NCX document it was, counted from 0 in document order
};

struct PageDocument {
    DocumentInfo info;
    std::vector<PagePart> parts;  // in reading order
    std::vector<TocEntry> toc;    // empty when the book has none
};
