// The page body as the assembly builds it: a list of pieces (text, tags,
// breaks) that is only written out once the whole book has been read, and
// what is found out about it then.
#pragma once

#include "html_tokens.h"
#include "page_ids.h"

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

inline constexpr std::size_t kNoItem = static_cast<std::size_t>(-1);

// PartStart marks where a part of the book begins, for links that lead to
// the part as a whole.
enum class ItemKind { Markup, StartTag, EndTag, Break, PartStart };

// One piece of the page body. Start tags keep their attributes until the
// page is written, since where the first and last visible content lie, and
// where the links lead, are only known then.
struct PageItem {
    ItemKind kind = ItemKind::Markup;
    std::string text;  // Markup: HTML as written; tags: the element name
    std::vector<HtmlAttribute> attributes;
    bool voidElement = false;
    bool visible = false;
    std::optional<LinkTarget> link;  // links into the book: where they lead; their href comes first
    std::size_t part = 0;            // PartStart: the part
};

// An <a id="..."></a> that only marks a place.
bool IsEmptyAnchor(const PageItem& start, const PageItem& end);

struct BreakOverrides {
    bool noBreakBefore = false;
    bool noBreakAfter = false;
};

// Which start tags must not break the page before or after them. The pieces
// of the book between two page breaks (its files, and the stretches between
// <mbp:pagebreak/>) are each set on pages of their own by the breaks we
// write; a break that the book's CSS asks for before a piece's first visible
// content or after its last would add an empty page (at the very start, at
// the very end, or where it meets one of ours).
std::vector<BreakOverrides> EdgeOverrides(const std::vector<PageItem>& items);

// The text of the heading whose start tag is at `start`, as HTML with its
// spaces collapsed.
std::string HeadingLabel(const std::vector<PageItem>& items, std::size_t start);

// The first piece that shows something; kNoItem when none does.
std::size_t FirstVisible(const std::vector<PageItem>& items);

// Whether the first thing the page shows is the picture at `path` (an <img>,
// or an SVG that shows it).
bool StartsWithPicture(const std::vector<PageItem>& items, std::string_view path);
