#include "kf8_anchors.h"

#include "anchor_places.h"

#include <algorithm>
#include <functional>
#include <map>
#include <set>
#include <utility>

namespace {

constexpr std::size_t npos = std::string_view::npos;

// Where an attribute value that libmobi rewrote ends: at a blank, the tag's
// end or the end of a url(...), before the slash of "/>".
std::size_t ValueEnd(std::string_view text, std::size_t from)
{
    std::size_t end = text.find_first_of(" \t\r\n\f\v>)", from);
    if (end == npos) end = text.size();
    if (end > from && end < text.size() && text[end - 1] == '/' && text[end] == '>') --end;
    return end;
}

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\f' || c == '\v'; }

struct Edit {
    std::size_t start = 0, end = 0;  // the bytes replaced
    std::string text;
};

std::string ApplyEdits(std::string_view text, std::vector<Edit> edits)
{
    std::stable_sort(edits.begin(), edits.end(), [](const Edit& a, const Edit& b) { return a.start < b.start; });
    std::string out;
    out.reserve(text.size() + edits.size() * 32);
    std::size_t copied = 0;
    for (const Edit& edit : edits) {
        if (edit.start < copied) continue;  // overlaps the one before: cannot be
        out.append(text.substr(copied, edit.start - copied));
        out += edit.text;
        copied = edit.end;
    }
    out.append(text.substr(std::min(copied, text.size())));
    return out;
}

// An id for the anchor of `position` that nothing in `markup` uses.
std::string NewAnchorId(std::string_view markup, Kf8Position position, std::set<std::string>& used)
{
    const std::string stem = "pos" + std::to_string(position.fragment) + "-" + std::to_string(position.offset);
    std::string id = stem;
    for (int number = 2; markup.find(id) != npos || used.count(id) != 0; ++number)
        id = stem + "-" + std::to_string(number);
    used.insert(id);
    return id;
}

std::string_view PartOfReference(std::string_view reference) { return reference.substr(0, reference.find('#')); }

}  // namespace

std::optional<std::vector<RebuiltChange>> CompareRebuilt(std::string_view source, std::string_view rebuilt)
{
    std::vector<RebuiltChange> changes;
    std::size_t i = 0, j = 0;
    while (true) {
        const auto [a, b] = std::mismatch(source.begin() + static_cast<std::ptrdiff_t>(i), source.end(),
                                          rebuilt.begin() + static_cast<std::ptrdiff_t>(j), rebuilt.end());
        i = static_cast<std::size_t>(a - source.begin());
        j = static_cast<std::size_t>(b - rebuilt.begin());
        if (i == source.size() && j == rebuilt.size()) return changes;
        const std::string_view rest = source.substr(i);
        if (rest.starts_with("aid=\"") && i > 0 && (IsBlank(source[i - 1]) || source[i - 1] == '<')) {
            const std::size_t close = source.find('"', i + 5);
            if (close == npos) return std::nullopt;
            changes.push_back({i, close + 1, j, j});
            i = close + 1;
            continue;
        }
        const std::size_t value = i + (!rest.empty() && (rest.front() == '"' || rest.front() == '\'') ? 1 : 0);
        if (j == rebuilt.size() || !source.substr(value).starts_with("kindle:")) return std::nullopt;
        const std::size_t sourceEnd = ValueEnd(source, i), rebuiltEnd = ValueEnd(rebuilt, j);
        if (rebuiltEnd <= j) return std::nullopt;
        changes.push_back({i, sourceEnd, j, rebuiltEnd});
        i = sourceEnd;
        j = rebuiltEnd;
    }
}

std::size_t RebuiltOffset(const std::vector<RebuiltChange>& changes, std::size_t offset)
{
    const auto after = std::upper_bound(changes.begin(), changes.end(), offset,
                                        [](std::size_t value, const RebuiltChange& change) { return value < change.sourceStart; });
    if (after == changes.begin()) return offset;
    const RebuiltChange& change = *std::prev(after);
    return offset < change.sourceEnd ? change.rebuiltStart : change.rebuiltEnd + (offset - change.sourceEnd);
}

void AnchorKf8Places(const MOBIRawml* rawml, std::vector<Kf8Part>& parts, std::vector<TocEntry>& toc)
{
    std::vector<std::optional<std::vector<RebuiltChange>>> compared;
    std::map<std::size_t, std::size_t> byUid;
    for (std::size_t p = 0; p < parts.size(); ++p) {
        compared.push_back(CompareRebuilt(parts[p].source, parts[p].rebuilt));
        byUid.emplace(parts[p].uid, p);
    }

    struct LinkSite {
        std::size_t part;
        RebuiltChange change;
        Kf8Position position;
    };
    std::vector<LinkSite> links;
    for (std::size_t p = 0; p < parts.size(); ++p) {
        if (!compared[p]) continue;
        for (const RebuiltChange& change : *compared[p]) {
            const std::string_view value =
                std::string_view(parts[p].source).substr(change.sourceStart, change.sourceEnd - change.sourceStart);
            if (const std::optional<Kf8Position> position = ParseKindlePos(value)) links.push_back({p, change, *position});
        }
    }

    // Where each position lies: the part (its index) and the offset in the rebuilt part.
    std::map<Kf8Position, std::pair<std::size_t, std::size_t>> located;
    const auto locate = [&](Kf8Position position) {
        if (located.count(position) != 0) return;
        const std::optional<PartOffset> at = LocateKf8Position(rawml, position);
        const auto part = at ? byUid.find(at->part) : byUid.end();
        if (part == byUid.end() || !compared[part->second] || at->offset > parts[part->second].source.size()) return;
        located.emplace(position, std::pair(part->second, RebuiltOffset(*compared[part->second], at->offset)));
    };
    for (const LinkSite& link : links) locate(link.position);
    const std::vector<std::optional<Kf8Position>> ncx = NcxPositions(rawml);
    for (const std::optional<Kf8Position>& position : ncx)
        if (position) locate(*position);

    // The anchors, part by part; positions that land on one place share its anchor.
    std::vector<std::vector<Edit>> edits(parts.size());
    std::map<Kf8Position, std::string> references;  // "part00001.html#id"
    std::map<std::size_t, std::vector<Kf8Position>> positionsByPart;
    for (const auto& [position, at] : located) positionsByPart[at.first].push_back(position);
    for (const auto& [p, positions] : positionsByPart) {
        const AnchorPlaces places(parts[p].rebuilt);
        std::map<std::size_t, std::string> anchorAt;
        std::set<std::string> used;
        for (const Kf8Position position : positions) {
            const AnchorPlace place = places.Find(located[position].second);
            std::string id = place.id;
            if (id.empty()) {
                auto anchor = anchorAt.find(place.offset);
                if (anchor == anchorAt.end()) {
                    anchor = anchorAt.emplace(place.offset, NewAnchorId(parts[p].rebuilt, position, used)).first;
                    auto [at, text] = AnchorInsertion(parts[p].rebuilt, place, anchor->second);
                    edits[p].push_back({at, at, std::move(text)});
                }
                id = anchor->second;
            }
            references[position] = parts[p].name + "#" + id;
        }
    }

    // The links lead to the anchors: the file name libmobi wrote is replaced, its quotes kept.
    for (const LinkSite& link : links) {
        const auto reference = references.find(link.position);
        if (reference == references.end()) continue;
        const std::string& rebuilt = parts[link.part].rebuilt;
        std::size_t start = link.change.rebuiltStart, end = link.change.rebuiltEnd;
        if (start < end && (rebuilt[start] == '"' || rebuilt[start] == '\'')) ++start;
        if (end > start && (rebuilt[end - 1] == '"' || rebuilt[end - 1] == '\'')) --end;
        edits[link.part].push_back({start, end, reference->second});
    }
    for (std::size_t p = 0; p < parts.size(); ++p)
        if (!edits[p].empty()) parts[p].rebuilt = ApplyEdits(parts[p].rebuilt, std::move(edits[p]));

    // The table of contents: an entry whose position is known leads to its
    // anchor, provided libmobi found the entry in the same part.
    const std::function<void(std::vector<TocEntry>&)> lead = [&](std::vector<TocEntry>& entries) {
        for (TocEntry& entry : entries) {
            if (entry.order < ncx.size() && ncx[entry.order]) {
                const auto reference = references.find(*ncx[entry.order]);
                if (reference != references.end() && PartOfReference(reference->second) == PartOfReference(entry.target))
                    entry.target = reference->second;
            }
            lead(entry.children);
        }
    };
    lead(toc);
}
