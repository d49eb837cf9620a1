// Anchors at the places a KF8 book's links and table of contents name.
// libmobi rebuilds each file of the book and rewrites its links, but it
// leads a link to the first id after the place, or to the file's start when
// none follows, and does the same in the NCX document it makes: entries that
// name a place inside a fragment open the fragment's start or some later
// heading. The places are taken from the book's own indexes instead, found
// in the rebuilt files by comparing them with the files as their fragments
// assemble them, and given an anchor there.
#pragma once

#include "kf8_positions.h"
#include "page_document.h"

#include <mobi.h>

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// A piece where libmobi's rebuilt file differs from the assembled one: an
// attribute value "kindle:..." replaced by a file name, or an aid="..."
// attribute removed (its rebuilt range is empty then).
struct RebuiltChange {
    std::size_t sourceStart = 0, sourceEnd = 0;
    std::size_t rebuiltStart = 0, rebuiltEnd = 0;
};

// The changes that turn `source` into `rebuilt`, in order; nothing when the
// two differ in any other way.
std::optional<std::vector<RebuiltChange>> CompareRebuilt(std::string_view source, std::string_view rebuilt);

// Where byte `offset` of the source lies in the rebuilt file: in a changed
// piece, at the piece's start.
std::size_t RebuiltOffset(const std::vector<RebuiltChange>& changes, std::size_t offset);

struct Kf8Part {
    std::size_t uid = 0;  // the file's number
    std::string name;     // the name libmobi's links use for it
    std::string source;   // as its fragments assemble it
    std::string rebuilt;  // as libmobi rebuilt it; gets the anchors
};

// Puts an anchor into the rebuilt parts at every place that their links and
// the NCX index name, and leads those links, and the entries of `toc` (read
// from libmobi's NCX document), there. A place where an element with an id
// starts keeps that id. A part that does not compare with its source, and a
// place the indexes do not locate, stay as libmobi made them.
void AnchorKf8Places(const MOBIRawml* rawml, std::vector<Kf8Part>& parts, std::vector<TocEntry>& toc);
