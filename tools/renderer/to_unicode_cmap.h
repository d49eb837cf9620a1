// A font's ToUnicode CMap (its bfchar and bfrange mappings from glyph codes
// to UTF-16 text) rewritten so that every presentation form it maps to is
// replaced by the letters the form stands for. What the page shows is not
// touched: only the text a reader searches, copies or hears changes.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

struct ToUnicodeRewrite {
    std::string cmap;         // the CMap's new text; empty when nothing changed
    std::size_t changed = 0;  // glyph codes whose text changed
};

// Replaces the presentation forms in the destinations of `cmap`: a bfchar
// or array destination in place (several letters where a ligature stood,
// those of a right-to-left ligature in drawing order),
// an incrementing bfrange whose codes reach a form as an array of its
// codes' destinations. Everything else, the header, the code space and
// destinations without forms, is kept byte for byte. A mapping it cannot
// read (odd hex digits, a range of more than 256 codes) is left as it is.
ToUnicodeRewrite RestoreBaseLetters(std::string_view cmap);
