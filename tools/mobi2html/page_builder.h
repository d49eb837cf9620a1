// Assembles the one HTML page that the PDF is rendered from.
#pragma once

#include "page_resources.h"

#include <string>
#include <string_view>
#include <vector>

// The page for a book with the given title and text parts (HTML documents in
// UTF-8, in reading order):
// - every part's body in order, each part after the first on a new page, and
//   <mbp:pagebreak/> turned into a page break; no break before the first or
//   after the last visible content, also none that the book's own CSS asks
//   for there;
// - the book's style sheets (<style>, and <link> to sheets of the book)
//   gathered in the head;
// - images pointed at the files `resources` writes, KF7 recindex included;
// - scripts, audio, video, embedded objects and frames left out, together
//   with anything that would reach out to the network;
// - links that lead inside the book reduced to their text (the renderer would
//   turn them into links to the page's temporary file); http, https and
//   mailto links kept.
std::string BuildPage(std::string_view title, const std::vector<std::string>& parts, PageResources& resources);
