// Where the places that a KF8 book names lie. A KF8 book names a place by a
// fragment of its text and an offset into that fragment: its links as
// "kindle:pos:fid:0001:off:00000000A0" (base-32 numbers), its NCX index
// entries as the same two numbers. The fragment index tells which file (a
// part of the book) holds each fragment and where in it.
#pragma once

#include <mobi.h>

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

struct Kf8Position {
    std::uint32_t fragment = 0;
    std::uint32_t offset = 0;  // bytes from the fragment's start
    auto operator<=>(const Kf8Position&) const = default;
};

struct PartOffset {
    std::size_t part = 0;    // the uid of the part (the file's number)
    std::size_t offset = 0;  // bytes from the start of the part as its fragments assemble it
};

// The book's files (by number) as their skeletons and fragments assemble
// them, before any link is rewritten; empty when the indexes do not fit the
// text.
std::vector<std::string> AssembleKf8Files(const MOBIRawml* rawml);

// The position a link value names ("kindle:pos:fid:0001:off:00000000A0",
// anything after it ignored); nothing for other values.
std::optional<Kf8Position> ParseKindlePos(std::string_view value);

// Where `position` lies in the book's parts; nothing when the book's
// skeleton and fragment index do not say.
std::optional<PartOffset> LocateKf8Position(const MOBIRawml* rawml, Kf8Position position);

// The position of each entry of the book's NCX index, in the order in which
// libmobi writes the entries as navPoints of its NCX document (an entry, then
// its children); nothing for an entry that names none.
std::vector<std::optional<Kf8Position>> NcxPositions(const MOBIRawml* rawml);
