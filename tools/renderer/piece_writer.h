// Writes the pieces of a page as whole HTML documents of their own.
#pragma once

#include "page_splitter.h"

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

// A change to the page: the bytes [begin, end), always whole tokens, become
// `text`. Used to point the page at other picture files.
struct TextEdit {
    std::size_t begin = 0;
    std::size_t end = 0;
    std::string text;
};

// Piece `index` of `plan`: the prologue, the elements open where it begins
// opened again (without their ids, which name the place they began), its
// content, and the elements still open at its end closed. Elements that
// continue across the cut lose their margin, padding and border on that
// side, and may not break the page there, so nothing is added at the seam.
// `edits` are sorted by place and do not overlap.
std::string ComposePiece(std::string_view page, const PagePlan& plan, std::size_t index,
                         const std::vector<TextEdit>& edits);
