// Where an anchor for a byte offset of a book's markup goes. Books name
// places by byte offsets (KF7 filepos, KF8 fragment and offset) that may fall
// anywhere: inside a tag, a character, an entity or a style sheet, or right
// before a heading whose page break would leave an anchor before it on the
// page before. The anchor goes to the first place at or after the offset
// where an element may stand; where elements start there, the innermost of
// them, the one right before the first thing they show, takes the id itself
// (an empty element at the start of a paragraph would cost it its
// ::first-letter); elsewhere an empty <a id> is put in. Either way it lands
// where its target is drawn and changes nothing that is drawn.
#pragma once

#include "html_tokens.h"

#include <cstddef>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

struct AnchorPlace {
    std::size_t offset = 0;  // where an anchor goes, or where the start tag of `holder` is
    std::string id;          // the plain id the holder already has; empty when none
    bool holder = false;     // an element starts here that takes the id itself
};

class AnchorPlaces {
public:
    // `markup` must outlive the object.
    explicit AnchorPlaces(std::string_view markup);

    // The place for byte offset `position`. Positions in the head go to the
    // start of the body, those past the end of the body to its end. Never
    // inside a link (an anchor in a link would end the link), an SVG or
    // MathML drawing, or an element that the page leaves out with its
    // content: the anchor goes before the outermost of these.
    AnchorPlace Find(std::size_t position) const;

private:
    std::size_t Descend(std::size_t& k) const;
    AnchorPlace HolderPlace(std::size_t holder) const;
    std::size_t OffsetOf(std::size_t token) const;

    std::string_view m_markup;
    std::vector<HtmlToken> m_tokens;
    std::vector<std::size_t> m_shelters;  // per token: start of the outermost element no anchor may be in, or npos
    std::size_t m_bodyStart = 0;
    std::size_t m_bodyEnd = 0;
};

// <a id="`id`"></a>, an anchor that shows nothing.
std::string AnchorTag(std::string_view id);

// What gives `markup` an anchor `id` at `place`, and where it goes: the
// attribute id="`id`" after the holder's name, or AnchorTag(`id`).
std::pair<std::size_t, std::string> AnchorInsertion(std::string_view markup, const AnchorPlace& place, std::string_view id);

// `markup` with each (offset, text) inserted, in the order given where
// offsets are equal.
std::string InsertAnchors(std::string_view markup, std::vector<std::pair<std::size_t, std::string>> insertions);
