// Names that mobi2html writes into the page and the renderer looks for: the
// hidden table of contents that opens the body, and the <meta> of the head
// that names the picture to show as the PDF's first page.
#pragma once

#include <string_view>

inline constexpr std::string_view kContentsNavId = "corvale-toc";
inline constexpr std::string_view kCoverMetaName = "corvale-cover";
