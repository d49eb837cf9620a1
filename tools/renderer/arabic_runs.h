// Arabic-script letters in text nodes of their own. The system's
// wkhtmltopdf (Qt WebKit) measures a piece of right-to-left text that joins
// Arabic-script letters to other characters in one text node ("است." or
// "در callbacks") as if its letters took no room: it then fits too many
// words into a line and places them by that width, so the line is drawn past
// the text column's edge, over its neighbours or off the page. Text nodes
// that hold only Arabic-script letters (and blanks), or none, are measured
// as they are drawn. An empty comment on each side of a run of letters
// splits the node there, and changes nothing else: no style reaches it, and
// the text layer keeps the same characters.
#pragma once

#include <string>
#include <string_view>

// Whether `cp` is a letter or a mark of the Arabic script, or a joiner
// between them (ZWNJ, ZWJ). Its punctuation and digits are not.
bool IsArabicLetter(char32_t cp);

// `text`, the raw text of one text token, with "<!---->" before and after
// each run of Arabic-script letters when it holds other characters beside
// its letters and blanks; empty when it needs no change.
std::string SeparateArabicRuns(std::string_view text);
