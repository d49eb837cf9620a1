// Assembles the one HTML page that the PDF is rendered from.
#pragma once

#include "page_document.h"
#include "page_resources.h"

#include <string>

// The page for a book (`document`):
// - a head with the book's title, language, authors and subject, and the
//   cover picture where the text does not start with it (see page_head.h);
// - a hidden <nav> first in the body with the book's table of contents, or
//   an outline of its headings (see page_outline.h);
// - every part's body in order, each part after the first on a new page, and
//   <mbp:pagebreak/> turned into a page break; no break before the first or
//   after the last visible content, also none that the book's own CSS asks
//   for there;
// - the book's style sheets (<style>, and <link> to sheets of the book)
//   gathered in the head;
// - images pointed at the files `resources` writes, KF7 recindex included;
// - scripts, audio, video, embedded objects and frames left out, together
//   with anything that would reach out to the network;
// - ids unique in the page, and links into the book (KF7 filepos, #id,
//   part.html#id) turned into links to ids of the page, or into their plain
//   text where the page does not hold their target; http, https and mailto
//   links kept;
// - double quotes of the text written as &quot;.
std::string BuildPage(const PageDocument& document, PageResources& resources);
