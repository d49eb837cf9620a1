// A reader's way through the joined PDF: links inside the book that lead to
// the page and place where their target landed, and the book's outline.
// The system's wkhtmltopdf writes every link inside the page as a file://
// link to the piece it rendered, and no destinations; the markers of
// MarkLinkTargets tell where each target landed.
#pragma once

#include "page_facts.h"

#include <qpdf/QPDF.hh>

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

struct NavigationCounts {
    std::size_t targets = 0;  // marked targets found in the PDF
    std::size_t links = 0;    // links inside the book, now leading to their target
    std::size_t dropped = 0;  // link annotations removed, their text left as it is
    std::size_t outline = 0;  // outline entries written
};

// Reads where each of `targets` (MarkedPage::targets) landed and removes the
// markers' annotations; turns every file:// link to a piece (a file whose
// name starts with `pieceStem`) whose id landed somewhere into a link to
// that place and removes the others, with every link that is not http,
// https or mailto, so that no local path stays in the PDF; writes
// `outline` as the document's outline. An outline entry whose target
// landed nowhere leads where the next entry that landed leads (the last
// ones where the last that landed leads); there is no outline when none
// landed.
NavigationCounts WriteNavigation(QPDF& pdf, const std::vector<std::string>& targets,
                                 const std::vector<OutlineEntry>& outline, std::string_view pieceStem);
