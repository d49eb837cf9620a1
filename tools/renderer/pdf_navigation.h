// A reader's way through the joined PDF: links inside the book that lead to
// the page and place where their target landed, and the book's outline.
// The system's wkhtmltopdf writes every link inside the page as a file://
// link to the piece it rendered, and no destinations; the markers of
// MarkLinkTargets tell where each target landed.
#pragma once

#include "page_facts.h"

#include <qpdf/QPDF.hh>
#include <qpdf/QPDFObjectHandle.hh>

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

// Where the marked targets (MarkedPage::targets) landed, read from the
// pieces' pages before they are joined. The markers' annotations are
// removed from them then, so that the joined document never copies them.
class LandingPlaces {
public:
    struct Place {
        std::size_t page = 0;  // of the joined document, 0-based
        double top = 0;        // of the marker, in the page's space
        bool found = false;
    };

    explicit LandingPlaces(std::size_t targets) : m_places(targets) {}

    // Reads and removes the markers of `page`, page `number` of the joined
    // document.
    void TakeMarkers(QPDFObjectHandle page, std::size_t number);

    const std::vector<Place>& Places() const { return m_places; }
    std::size_t Found() const { return m_nFound; }

private:
    std::vector<Place> m_places;
    std::size_t m_nFound = 0;
};

struct NavigationCounts {
    std::size_t targets = 0;  // marked targets found in the PDF
    std::size_t links = 0;    // links inside the book, now leading to their target
    std::size_t dropped = 0;  // link annotations removed, their text left as it is
    std::size_t outline = 0;  // outline entries written
};

// Turns every file:// link to a piece (a file whose name starts with
// `pieceStem`) whose id landed somewhere (`places` of `targets`) into a
// link to that place and removes the others, with every link that is not
// http, https or mailto, so that no local path stays in the PDF; writes
// `outline` as the document's outline. An outline entry whose target
// landed nowhere leads where the next entry that landed leads (the last
// ones where the last that landed leads); there is no outline when none
// landed. Gives up part way when a stop is requested.
NavigationCounts WriteNavigation(QPDF& pdf, const LandingPlaces& places, const std::vector<std::string>& targets,
                                 const std::vector<OutlineEntry>& outline, std::string_view pieceStem);
