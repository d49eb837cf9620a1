// Whether the installed fonts can draw a page's text. The system renderer
// silently leaves out a character that no font has, so a book in a script
// the machine has no font for would come out without its text and nothing
// would say so.
#pragma once

#include "html_tokens.h"

#include <string>
#include <vector>

// The distinct code points of the page's text, in ascending order, leaving
// out ASCII (every font has it) and the format characters that draw
// nothing (joiners, direction marks, soft hyphens, variation selectors).
// Tags, comments and the content of style and script are not text;
// character references are read.
std::vector<char32_t> TextCodePoints(const std::vector<HtmlToken>& tokens);

// Those of `codePoints` that no font fontconfig knows of can draw, in the
// same order. All of them when fontconfig can't be loaded.
std::vector<char32_t> MissingFromFonts(const std::vector<char32_t>& codePoints);

// The scripts of `missing` named for a reader, in a fixed order: "Chinese",
// "Japanese", "Korean", "Arabic", ... Han characters count as Chinese
// unless kana or hangul are missing too, which say Japanese or Korean.
// Characters of other blocks give "other".
std::vector<std::string> ScriptsOf(const std::vector<char32_t>& missing);

// "no font could draw its Chinese text", "... its Japanese and Korean
// text", "... some of its characters", "... its Thai text and some other
// characters"; empty when `missing` is.
std::string MissingFontNote(const std::vector<char32_t>& missing);
