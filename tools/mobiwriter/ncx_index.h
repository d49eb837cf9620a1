// The NCX index of a book: its table of contents as readers (and libmobi)
// find it, in three records: the index header with its tag table (INDX +
// TAGX), one record of entries (INDX + IDXT), and the entries' labels
// (CNCX).
#pragma once

#include "record_bytes.h"

#include <cstdint>
#include <string>
#include <vector>

struct MobiTocEntry {
    std::string label;          // UTF-8
    std::uint32_t filepos = 0;  // KF7: byte offset into the book's markup where the entry leads
    std::vector<MobiTocEntry> children;
    // KF8: the fragment where the entry leads (counted from 0 over the whole
    // book) and the byte offset into it.
    std::uint32_t fragment = 0;
    std::uint32_t fragmentOffset = 0;
};

// The three records for `toc` (not empty). Entries are stored level by
// level, each entry's children next to each other, with their depth, their
// parent and the range of their children, as KindleGen writes them; those
// of a KF8 book (`kf8`) lead to a fragment and offset, others to a filepos.
std::vector<Bytes> MakeNcxRecords(const std::vector<MobiTocEntry>& toc, bool kf8 = false);
