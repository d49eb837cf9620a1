// What mobi2html's page tells the renderer about the book besides its text:
// the title, authors, subject and language of its head, the picture the
// head names as the cover, and the hidden table of contents (<nav
// id="corvale-toc">) that opens the body.
#pragma once

#include "html_tokens.h"
#include "page_contract.h"

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

// One entry of the book's table of contents.
struct OutlineEntry {
    std::string label;   // plain UTF-8 text, blanks collapsed
    std::string target;  // the id the entry leads to
    std::vector<OutlineEntry> children;
};

// The most levels of entries read; the entries of deeper lists become
// entries of the deepest level.
inline constexpr std::size_t kMaxOutlineDepth = 64;

struct PageFacts {
    // Plain UTF-8 text (entities decoded); empty when the page has none.
    std::string title;
    std::string author;    // several already joined with " & "
    std::string subject;
    std::string language;  // <html lang>
    std::string cover;     // a reference relative to the page, as written in it
    std::vector<OutlineEntry> outline;
};

// The facts of a page; `tokens` are those of the whole page (TokenizeHtml).
PageFacts ReadPageFacts(const std::vector<HtmlToken>& tokens);

