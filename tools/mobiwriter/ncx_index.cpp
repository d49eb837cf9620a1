// The NCX index: the entries' labels live in one CNCX record (each a
// forward-encoded length and the text), the entries name them by offset.
#include "ncx_index.h"

#include "index_records.h"

#include <cstdio>

namespace {

constexpr std::uint32_t kNotSet = 0xFFFFFFFF;

constexpr IndexTag kFilepos{1, 1, 0x01};
constexpr IndexTag kLabel{3, 1, 0x04};
constexpr IndexTag kLevel{4, 1, 0x08};
constexpr IndexTag kParent{21, 1, 0x10};
constexpr IndexTag kFirstChild{22, 1, 0x20};
constexpr IndexTag kLastChild{23, 1, 0x40};
constexpr IndexTag kPosition{6, 2, 0x02};  // KF8: fragment and offset

struct FlatEntry {
    const MobiTocEntry* entry = nullptr;
    std::uint32_t level = 0;
    std::uint32_t parent = kNotSet;
    std::uint32_t firstChild = kNotSet;
    std::uint32_t lastChild = kNotSet;  // the index of the last child itself
};

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

}  // namespace

std::vector<Bytes> MakeNcxRecords(const std::vector<MobiTocEntry>& toc, bool kf8)
{
    const std::vector<FlatEntry> flat = Flatten(toc);
    Bytes labels;
    std::vector<IndexEntry> entries;
    for (std::size_t i = 0; i < flat.size(); ++i) {
        const FlatEntry& entry = flat[i];
        IndexEntry indexEntry;
        char name[16];
        const int nameLength = std::snprintf(name, sizeof name, "%03zX", i);
        indexEntry.label.assign(name, static_cast<std::size_t>(nameLength));
        indexEntry.control = kLabel.bit | kLevel.bit | (kf8 ? kPosition.bit : kFilepos.bit);
        if (entry.parent != kNotSet) indexEntry.control |= kParent.bit;
        if (entry.firstChild != kNotSet) indexEntry.control |= kFirstChild.bit | kLastChild.bit;
        // Values in the order of the tag table below.
        if (!kf8) indexEntry.values.push_back(entry.entry->filepos);
        if (kf8) indexEntry.values.insert(indexEntry.values.end(), {entry.entry->fragment, entry.entry->fragmentOffset});
        indexEntry.values.push_back(static_cast<std::uint32_t>(labels.size()));
        indexEntry.values.push_back(entry.level);
        if (entry.parent != kNotSet) indexEntry.values.push_back(entry.parent);
        if (entry.firstChild != kNotSet) indexEntry.values.insert(indexEntry.values.end(), {entry.firstChild, entry.lastChild});
        entries.push_back(std::move(indexEntry));

        PutForwardVarlen(labels, static_cast<std::uint32_t>(entry.entry->label.size()));
        PutText(labels, entry.entry->label);
    }
    PadToMultipleOf4(labels);
    const std::vector<IndexTag> tags = kf8 ? std::vector<IndexTag>{kPosition, kLabel, kLevel, kParent, kFirstChild, kLastChild}
                                           : std::vector<IndexTag>{kFilepos, kLabel, kLevel, kParent, kFirstChild, kLastChild};
    std::vector<Bytes> records = MakeIndexRecords(tags, entries, 1);
    records.push_back(std::move(labels));
    return records;
}
