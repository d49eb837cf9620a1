// The records of an index of a Mobipocket book (a table of contents, the
// skeleton and fragment index of a KF8 book): a header record (INDX with its
// TAGX tag table) and one record of entries (INDX with its IDXT list of
// entry offsets). Numbers are big-endian. An entry is a label (length byte
// and text), one control byte whose bits say which tags follow, and the
// tags' values as forward-encoded variable-length numbers. See
// https://wiki.mobileread.com/wiki/MOBI#INDX.
#pragma once

#include "record_bytes.h"

#include <cstdint>
#include <string>
#include <vector>

struct IndexTag {
    std::uint8_t id;
    std::uint8_t values;  // how many numbers the tag holds
    std::uint8_t bit;     // the bit of the control byte that marks it
};

struct IndexEntry {
    std::string label;
    std::uint8_t control = 0;            // the bits of the tags the entry has
    std::vector<std::uint32_t> values;   // theirs, in the order of the tag table
};

// Seven bits a byte, most significant first, the last byte marked by 0x80.
void PutForwardVarlen(Bytes& out, std::uint32_t value);

// The header record and the record of `entries`; `cncxRecords` records of
// labels (CNCX) are to follow them.
std::vector<Bytes> MakeIndexRecords(const std::vector<IndexTag>& tags, const std::vector<IndexEntry>& entries,
                                    std::uint32_t cncxRecords);
