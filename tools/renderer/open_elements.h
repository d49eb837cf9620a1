// The elements an HTML parser holds open at a point of the page, followed
// token by token with the parser's main rules (a block ends an open
// paragraph, an end tag closes what it matches within its scope), so that
// the page can be cut there and each piece closed and reopened as a browser
// would have nested it.
#pragma once

#include "html_tokens.h"

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

// An element open at a point of the page, with its start tag's place in it.
struct OpenElement {
    std::string name;        // lower case
    std::size_t tagBegin = 0;
    std::size_t tagEnd = 0;  // one past the start tag's '>'
};

class OpenElements {
public:
    // A start tag at `offset` in the page.
    void Start(const HtmlToken& tag, std::size_t offset);
    void End(std::string_view name);

    const std::vector<OpenElement>& Elements() const { return m_elements; }

    // True when a piece may end here and the next begin here: everything
    // open can be closed and reopened without changing how the page looks
    // (no table, list, preformatted text, heading or form is open), and no
    // element has ended the parsing of markup for good (<plaintext>).
    bool CanCutHere() const;

private:
    void CloseParagraph();
    bool HasInScope(std::string_view name) const;
    void PopThrough(std::string_view name);

    std::vector<OpenElement> m_elements;
    bool m_bPlainText = false;  // after <plaintext> the rest of the page is text
};

// Elements that have no content and so are never open, as the renderer's
// parser reads them.
bool IsNeverOpen(std::string_view name);
