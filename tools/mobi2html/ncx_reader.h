// Reads the table of contents out of the NCX document that libmobi rebuilds
// from a book's NCX index (navPoint elements with a navLabel and a content
// source, nested as the book nests its entries).
#pragma once

#include "page_document.h"

#include <cstddef>
#include <string_view>
#include <vector>

// The entries of `ncx` with their labels as plain text (spaces collapsed) and
// their targets as written, and the place of their navPoint among all the
// document's navPoints; entries without a label are left out, their children
// taking their place. Entries nested deeper than kDeepestNcxLevel follow
// the entry before them on that level, in reading order, so that a hostile
// book's nesting can't exhaust the stack of the code that walks the tree.
std::vector<TocEntry> ReadNcx(std::string_view ncx);

inline constexpr std::size_t kDeepestNcxLevel = 64;
