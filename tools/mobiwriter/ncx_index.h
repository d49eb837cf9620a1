// The NCX index of a KF7 book: its table of contents as readers (and
// libmobi) find it, in three records: the index header with its tag table
// (INDX + TAGX), one record of entries (INDX + IDXT), and the entries' labels
// (CNCX).
#pragma once

#include "record_bytes.h"

#include <cstdint>
#include <string>
#include <vector>

struct MobiTocEntry {
    std::string label;          // UTF-8
    std::uint32_t filepos = 0;  // byte offset into the book's markup where the entry leads
    std::vector<MobiTocEntry> children;
};

// The three records for `toc` (not empty). Entries are stored level by
// level, each entry's children next to each other, with their depth, their
// parent and the range of their children, as KindleGen writes them.
std::vector<Bytes> MakeNcxRecords(const std::vector<MobiTocEntry>& toc);
