// KF7 books link by byte offset into their text (<a filepos="0000001234">),
// and so does their table of contents. The page needs an element with an id
// at each such place; these are put into the text before anything else
// changes its bytes.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// The id of the anchor for byte offset `position` of a KF7 book's text.
std::string FileposAnchorId(std::uint32_t position);

// The position a filepos value names; nothing for values that are no plain
// decimal number (books write placeholders such as "XXXXXXXXXX").
std::optional<std::uint32_t> ParseFilepos(std::string_view value);

// `text` with an empty anchor <a id="fileposN"></a> for every position that
// its filepos links name and for each of `moreTargets`, each where
// AnchorPlaces puts it.
std::string InsertFileposAnchors(std::string_view text, std::vector<std::uint32_t> moreTargets);
