// The page's table of contents: a hidden <nav> at the start of the body that
// the renderer turns into the PDF's outline. It holds the book's own table of
// contents, or else an outline of the book's headings.
#pragma once

#include "page_contract.h"
#include "page_document.h"
#include "page_ids.h"

#include <string>
#include <string_view>
#include <vector>

struct NavEntry {
    std::string label;  // HTML text
    std::string id;     // the page id the entry leads to
    std::vector<NavEntry> children;
};

// The book's entries that lead somewhere in the page. An entry whose target
// the page does not hold is left out, its children taking its place.
std::vector<NavEntry> ResolveToc(const std::vector<TocEntry>& toc, PageIds& ids);

struct Heading {
    int level = 1;      // 1 for h1 ...
    std::string id;
    std::string label;  // HTML text
};

// Headings nested by level: each under the nearest heading before it of a
// higher level (a smaller number).
std::vector<NavEntry> OutlineOfHeadings(const std::vector<Heading>& headings);

// <nav id="corvale-toc" hidden style="display:none"><ol><li><a href="#id">label</a><ol>...</ol></li>...</ol></nav>,
// with no <ol> when there are no entries.
std::string FormatNav(const std::vector<NavEntry>& entries);
