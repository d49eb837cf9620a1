// Layout of an INDX record (numbers big-endian): "INDX", header length,
// type, and at offset 20 the IDXT offset and the entry count; the header
// record also holds the encoding (28), the total number of entries (36) and
// the number of CNCX records (52), and has its TAGX table right after the
// header. An entry is a label (length byte and text), one control byte whose
// bits say which tags follow, and the tags' values as forward-encoded
// variable-length numbers. See https://wiki.mobileread.com/wiki/MOBI#INDX.
#include "ncx_index.h"

#include <cstdio>

namespace {

constexpr std::uint32_t kIndxHeaderLength = 192;
constexpr std::uint32_t kUtf8Encoding = 65001;
constexpr std::uint32_t kNotSet = 0xFFFFFFFF;

// Tags of an NCX entry with the bit of the control byte that marks each.
struct Tag {
    std::uint8_t id;
    std::uint8_t bit;
};
constexpr Tag kFilepos{1, 0x01};
constexpr Tag kLabel{3, 0x04};
constexpr Tag kLevel{4, 0x08};
constexpr Tag kParent{21, 0x10};
constexpr Tag kFirstChild{22, 0x20};
constexpr Tag kLastChild{23, 0x40};

struct FlatEntry {
    const MobiTocEntry* entry = nullptr;
    std::uint32_t level = 0;
    std::uint32_t parent = kNotSet;
    std::uint32_t firstChild = kNotSet;
    std::uint32_t lastChild = kNotSet;  // the index of the last child itself
};

// Seven bits a byte, most significant first, the last byte marked by 0x80.
void PutForwardVarlen(Bytes& out, std::uint32_t value)
{
    unsigned char groups[5];
    int count = 0;
    do {
        groups[count++] = static_cast<unsigned char>(value & 0x7F);
        value >>= 7;
    } while (value != 0);
    for (int i = count - 1; i >= 0; --i) out.push_back(i == 0 ? static_cast<unsigned char>(groups[i] | 0x80) : groups[i]);
}

// The entries level by level (breadth first), so that the children of each
// entry form one range.
std::vector<FlatEntry> Flatten(const std::vector<MobiTocEntry>& toc)
{
    std::vector<FlatEntry> flat;
    for (const MobiTocEntry& entry : toc) flat.push_back({&entry, 0, kNotSet, kNotSet, kNotSet});
    for (std::size_t i = 0; i < flat.size(); ++i) {
        const MobiTocEntry& entry = *flat[i].entry;
        if (entry.children.empty()) continue;
        flat[i].firstChild = static_cast<std::uint32_t>(flat.size());
        for (const MobiTocEntry& child : entry.children)
            flat.push_back({&child, flat[i].level + 1, static_cast<std::uint32_t>(i), kNotSet, kNotSet});
        flat[i].lastChild = static_cast<std::uint32_t>(flat.size() - 1);
    }
    return flat;
}

Bytes MakeHeaderRecord(std::uint32_t entryCount)
{
    const Tag tags[] = {kFilepos, kLabel, kLevel, kParent, kFirstChild, kLastChild};
    Bytes r;
    PutText(r, "INDX");
    Put32(r, kIndxHeaderLength);
    Put32(r, 0);           // 8
    Put32(r, 0);           // 12: a normal index
    Put32(r, 0);           // 16
    Put32(r, 0);           // 20: no IDXT here
    Put32(r, 1);           // 24: one record of entries follows
    Put32(r, kUtf8Encoding);  // 28
    Put32(r, kNotSet);     // 32: language
    Put32(r, entryCount);  // 36
    Put32(r, 0);           // 40: ORDT
    Put32(r, 0);           // 44: LIGT
    Put32(r, 0);           // 48: LIGT entries
    Put32(r, 1);           // 52: one CNCX record
    PutZeros(r, kIndxHeaderLength - r.size());

    PutText(r, "TAGX");
    Put32(r, static_cast<std::uint32_t>(12 + 4 * (std::size(tags) + 1)));
    Put32(r, 1);  // one control byte
    for (const Tag& tag : tags) {
        Put8(r, tag.id);
        Put8(r, 1);  // one value
        Put8(r, tag.bit);
        Put8(r, 0);
    }
    PutText(r, std::string_view("\0\0\0\1", 4));  // end of the control byte's tags
    PadToMultipleOf4(r);
    return r;
}

Bytes MakeEntryRecord(const std::vector<FlatEntry>& flat, const std::vector<std::uint32_t>& labelOffsets)
{
    Bytes r;
    PutText(r, "INDX");
    Put32(r, kIndxHeaderLength);
    Put32(r, 0);
    Put32(r, 0);
    Put32(r, 0);
    const std::size_t idxtOffsetAt = r.size();
    Put32(r, 0);  // 20: IDXT offset, filled in below
    Put32(r, static_cast<std::uint32_t>(flat.size()));
    PutZeros(r, kIndxHeaderLength - r.size());

    std::vector<std::uint16_t> entryOffsets;
    for (std::size_t i = 0; i < flat.size(); ++i) {
        const FlatEntry& entry = flat[i];
        entryOffsets.push_back(static_cast<std::uint16_t>(r.size()));
        char name[16];
        const int nameLength = std::snprintf(name, sizeof name, "%03zX", i);
        Put8(r, static_cast<std::uint8_t>(nameLength));
        PutText(r, std::string_view(name, static_cast<std::size_t>(nameLength)));
        std::uint8_t control = kFilepos.bit | kLabel.bit | kLevel.bit;
        if (entry.parent != kNotSet) control |= kParent.bit;
        if (entry.firstChild != kNotSet) control |= kFirstChild.bit | kLastChild.bit;
        Put8(r, control);
        PutForwardVarlen(r, entry.entry->filepos);
        PutForwardVarlen(r, labelOffsets[i]);
        PutForwardVarlen(r, entry.level);
        if (entry.parent != kNotSet) PutForwardVarlen(r, entry.parent);
        if (entry.firstChild != kNotSet) {
            PutForwardVarlen(r, entry.firstChild);
            PutForwardVarlen(r, entry.lastChild);
        }
    }
    PadToMultipleOf4(r);
    const auto idxtOffset = static_cast<std::uint32_t>(r.size());
    for (int shift = 24, i = 0; i < 4; ++i, shift -= 8) r[idxtOffsetAt + i] = static_cast<unsigned char>(idxtOffset >> shift);
    PutText(r, "IDXT");
    for (const std::uint16_t offset : entryOffsets) Put16(r, offset);
    PadToMultipleOf4(r);
    return r;
}

}  // namespace

std::vector<Bytes> MakeNcxRecords(const std::vector<MobiTocEntry>& toc)
{
    const std::vector<FlatEntry> flat = Flatten(toc);
    Bytes labels;
    std::vector<std::uint32_t> labelOffsets;
    for (const FlatEntry& entry : flat) {
        labelOffsets.push_back(static_cast<std::uint32_t>(labels.size()));
        PutForwardVarlen(labels, static_cast<std::uint32_t>(entry.entry->label.size()));
        PutText(labels, entry.entry->label);
    }
    PadToMultipleOf4(labels);
    return {MakeHeaderRecord(static_cast<std::uint32_t>(flat.size())), MakeEntryRecord(flat, labelOffsets), labels};
}
