// Marks every place of the page that a link or the table of contents leads
// to, so that the rendered PDF tells where each landed. The system's
// wkhtmltopdf writes no destinations, but it writes a link annotation
// wherever it draws a link's box: a marker is an empty link to an address of
// its own, drawn as a one-pixel float with a negative margin as wide as
// itself (MarkerRules), so that it takes no room and moves nothing, and its
// annotation is the place of its target. Unlike an inline box it makes no
// line of its own between blocks and leaves a paragraph its ::first-letter;
// unlike an absolutely positioned box it is no layer, which every page the
// renderer prints would paint over again.
#pragma once

#include "html_tokens.h"

#include <string>
#include <string_view>
#include <vector>

// Markers lead to this address followed by the number of their target.
inline constexpr std::string_view kMarkerAddress = "http://corvale-anchor.invalid/";

// The style of the markers, for a style sheet that no rule of the book's own
// can outweigh (a user sheet, all !important).
std::string MarkerRules();

struct MarkedPage {
    std::string page;                  // the page with its markers
    std::vector<std::string> targets;  // the ids marked, target k by kMarkerAddress + k
};

// Marks the element of every id that an <a href="#id"> of the body names,
// just inside its start tag, or just before it where a marker inside would
// change what the element shows or would not be drawn: before void
// elements, links, preformatted text (whose first line feed it would keep),
// and before the outermost link, SVG or MathML drawing that holds the
// target. A marker that would stand between blocks (an empty anchor before
// a heading, a <div> that starts with a <p>) goes into the first block
// that follows instead, so that it lands on the page of the first line of
// its target. `tokens` are those of `page`.
MarkedPage MarkLinkTargets(std::string_view page, const std::vector<HtmlToken>& tokens);
