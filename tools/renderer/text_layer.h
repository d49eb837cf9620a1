// The text layer of a finished PDF: what search, copy and text-to-speech
// find behind the glyphs.
#pragma once

#include <qpdf/QPDF.hh>

#include <cstddef>

// Rewrites the ToUnicode table of every font in `pdf` so that shaped Arabic
// glyphs and ligatures give their letters, not presentation forms (see
// to_unicode_cmap.h). Glyphs, widths and page contents stay as they are,
// and so does a table that libqpdf can't read. Returns how many glyph codes
// changed.
std::size_t RestoreBaseLettersInFonts(QPDF& pdf);
