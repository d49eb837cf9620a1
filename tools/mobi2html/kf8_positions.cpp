#include "kf8_positions.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <string>

namespace {

// Tags of the index entries.
constexpr std::size_t kNcxLevel = 4;
constexpr std::size_t kNcxPosition = 6;     // fragment, offset
constexpr std::size_t kNcxFirstChild = 22;
constexpr std::size_t kNcxLastChild = 23;
constexpr std::size_t kFragmentFile = 3;
constexpr std::size_t kFragmentPlace = 6;   // offset in its file, length
constexpr std::size_t kSkeletonFragments = 1;
constexpr std::size_t kSkeletonPlace = 6;   // start, length
// A table of contents deeper or longer than this is damage.
constexpr std::size_t kMaxNcxEntries = 1'000'000;
constexpr std::uint32_t kMaxNcxDepth = 64;

std::optional<std::uint32_t> TagValue(const MOBIIndexEntry& entry, std::size_t tag, std::size_t index = 0)
{
    for (std::size_t i = 0; i < entry.tags_count; ++i)
        if (entry.tags[i].tagid == tag)
            return index < entry.tags[i].tagvalues_count ? std::optional(entry.tags[i].tagvalues[index]) : std::nullopt;
    return std::nullopt;
}

std::optional<std::uint32_t> Base32(std::string_view digits)
{
    if (digits.empty() || digits.size() > 7) return std::nullopt;
    std::uint64_t value = 0;
    for (const char c : digits) {
        int digit = -1;
        if (c >= '0' && c <= '9') digit = c - '0';
        if (c >= 'A' && c <= 'V') digit = c - 'A' + 10;
        if (c >= 'a' && c <= 'v') digit = c - 'a' + 10;
        if (digit < 0) return std::nullopt;
        value = value * 32 + static_cast<std::uint64_t>(digit);
    }
    if (value > UINT32_MAX) return std::nullopt;
    return static_cast<std::uint32_t>(value);
}

void AddLevel(const MOBIIndx& ncx, std::uint32_t level, std::size_t from, std::size_t to,
              std::vector<std::size_t>& order)
{
    for (std::size_t i = from; i <= to && i < ncx.entries_count && order.size() < kMaxNcxEntries; ++i) {
        const MOBIIndexEntry& entry = ncx.entries[i];
        if (TagValue(entry, kNcxLevel) != level) continue;
        order.push_back(i);
        const std::optional<std::uint32_t> first = TagValue(entry, kNcxFirstChild);
        const std::optional<std::uint32_t> last = TagValue(entry, kNcxLastChild);
        if (first && last && level < kMaxNcxDepth) AddLevel(ncx, level + 1, *first, *last, order);
    }
}

}  // namespace

std::vector<std::string> AssembleKf8Files(const MOBIRawml* rawml)
{
    if (!rawml || !rawml->skel || !rawml->frag || !rawml->flow || !rawml->flow->data) return {};
    const std::string_view text(reinterpret_cast<const char*>(rawml->flow->data), rawml->flow->size);
    std::vector<std::string> files;
    std::size_t fragment = 0;
    std::size_t assembled = 0;  // the length of the files before this one
    for (std::size_t i = 0; i < rawml->skel->entries_count; ++i) {
        const MOBIIndexEntry& skeleton = rawml->skel->entries[i];
        const std::optional<std::uint32_t> count = TagValue(skeleton, kSkeletonFragments);
        const std::optional<std::uint32_t> start = TagValue(skeleton, kSkeletonPlace, 0);
        const std::optional<std::uint32_t> length = TagValue(skeleton, kSkeletonPlace, 1);
        if (!count || !start || !length || *start > text.size() || *length > text.size() - *start) return {};
        std::string file(text.substr(*start, *length));
        // The fragments follow their skeleton in the text; each goes where its label says.
        std::size_t next = *start + *length;
        for (std::uint32_t k = 0; k < *count; ++k, ++fragment) {
            if (fragment >= rawml->frag->entries_count) return {};
            const MOBIIndexEntry& entry = rawml->frag->entries[fragment];
            const std::optional<std::uint32_t> fragmentLength = TagValue(entry, kFragmentPlace, 1);
            char* end = nullptr;
            const unsigned long long inserted = entry.label ? std::strtoull(entry.label, &end, 10) : 0;
            if (!fragmentLength || !entry.label || end == entry.label || inserted < assembled ||
                TagValue(entry, kFragmentFile) != i || *fragmentLength > text.size() - next)
                return {};
            const std::size_t at = std::min<std::size_t>(inserted - assembled, file.size());
            file.insert(at, text.substr(next, *fragmentLength));
            next += *fragmentLength;
        }
        assembled += file.size();
        files.push_back(std::move(file));
    }
    return files;
}

std::optional<Kf8Position> ParseKindlePos(std::string_view value)
{
    constexpr std::string_view kStart = "kindle:pos:fid:";
    const std::size_t start = value.find(kStart);
    if (start == std::string_view::npos) return std::nullopt;
    value.remove_prefix(start + kStart.size());
    const std::size_t colon = value.find(':');
    if (colon == std::string_view::npos || value.substr(colon, 5) != ":off:") return std::nullopt;
    std::string_view offset = value.substr(colon + 5);
    offset = offset.substr(0, offset.find_first_not_of("0123456789ABCDEFGHIJKLMNOPQRSTUVabcdefghijklmnopqrstuv"));
    while (offset.size() > 1 && offset.front() == '0') offset.remove_prefix(1);
    const std::optional<std::uint32_t> fragment = Base32(value.substr(0, colon));
    const std::optional<std::uint32_t> off = Base32(offset);
    if (!fragment || !off) return std::nullopt;
    return Kf8Position{*fragment, *off};
}

std::optional<PartOffset> LocateKf8Position(const MOBIRawml* rawml, Kf8Position position)
{
    if (!rawml || !rawml->frag || !rawml->skel || position.fragment >= rawml->frag->entries_count) return std::nullopt;
    const MOBIIndexEntry& fragment = rawml->frag->entries[position.fragment];
    const std::optional<std::uint32_t> file = TagValue(fragment, kFragmentFile);
    if (!fragment.label || !file || *file >= rawml->skel->entries_count) return std::nullopt;
    const std::optional<std::uint32_t> fileStart = TagValue(rawml->skel->entries[*file], kSkeletonPlace);
    // The label is where the fragment was put, counted from the start of the whole text.
    char* end = nullptr;
    const unsigned long long inserted = std::strtoull(fragment.label, &end, 10);
    if (!fileStart || end == fragment.label || inserted < *fileStart) return std::nullopt;
    return PartOffset{*file, static_cast<std::size_t>(inserted - *fileStart) + position.offset};
}

std::vector<std::optional<Kf8Position>> NcxPositions(const MOBIRawml* rawml)
{
    std::vector<std::optional<Kf8Position>> positions;
    if (!rawml || !rawml->ncx || rawml->ncx->entries_count == 0) return positions;
    const MOBIIndx& ncx = *rawml->ncx;
    std::vector<std::size_t> order;
    AddLevel(ncx, 0, 0, ncx.entries_count - 1, order);
    for (const std::size_t i : order) {
        const std::optional<std::uint32_t> fragment = TagValue(ncx.entries[i], kNcxPosition, 0);
        const std::optional<std::uint32_t> offset = TagValue(ncx.entries[i], kNcxPosition, 1);
        positions.push_back(fragment && offset ? std::optional(Kf8Position{*fragment, *offset}) : std::nullopt);
    }
    return positions;
}
