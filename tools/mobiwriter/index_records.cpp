// Layout of an INDX record: "INDX", header length, type, and at offset 20
// the IDXT offset and the entry count; the header record also holds the
// encoding (28), the total number of entries (36) and the number of CNCX
// records (52), and has its TAGX table right after the header.
#include "index_records.h"

namespace {

constexpr std::uint32_t kIndxHeaderLength = 192;
constexpr std::uint32_t kUtf8Encoding = 65001;
constexpr std::uint32_t kNotSet = 0xFFFFFFFF;

Bytes MakeHeaderRecord(const std::vector<IndexTag>& tags, std::uint32_t entryCount, std::uint32_t cncxRecords)
{
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
    Put32(r, cncxRecords); // 52
    PutZeros(r, kIndxHeaderLength - r.size());

    PutText(r, "TAGX");
    Put32(r, static_cast<std::uint32_t>(12 + 4 * (tags.size() + 1)));
    Put32(r, 1);  // one control byte
    for (const IndexTag& tag : tags) {
        Put8(r, tag.id);
        Put8(r, tag.values);
        Put8(r, tag.bit);
        Put8(r, 0);
    }
    PutText(r, std::string_view("\0\0\0\1", 4));  // end of the control byte's tags
    PadToMultipleOf4(r);
    return r;
}

Bytes MakeEntryRecord(const std::vector<IndexEntry>& entries)
{
    Bytes r;
    PutText(r, "INDX");
    Put32(r, kIndxHeaderLength);
    Put32(r, 0);
    Put32(r, 0);
    Put32(r, 0);
    const std::size_t idxtOffsetAt = r.size();
    Put32(r, 0);  // 20: IDXT offset, filled in below
    Put32(r, static_cast<std::uint32_t>(entries.size()));
    PutZeros(r, kIndxHeaderLength - r.size());

    std::vector<std::uint16_t> entryOffsets;
    for (const IndexEntry& entry : entries) {
        entryOffsets.push_back(static_cast<std::uint16_t>(r.size()));
        Put8(r, static_cast<std::uint8_t>(entry.label.size()));
        PutText(r, entry.label);
        Put8(r, entry.control);
        for (const std::uint32_t value : entry.values) PutForwardVarlen(r, value);
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

std::vector<Bytes> MakeIndexRecords(const std::vector<IndexTag>& tags, const std::vector<IndexEntry>& entries,
                                    std::uint32_t cncxRecords)
{
    return {MakeHeaderRecord(tags, static_cast<std::uint32_t>(entries.size()), cncxRecords), MakeEntryRecord(entries)};
}
