// Break opportunities where the system's wkhtmltopdf finds none. A path, an
// address or an identifier of a hundred characters with no space in it is
// wider than the text column, and the renderer then shrinks the whole piece
// to fit it. A <wbr> in such places lets the line wrap there, and costs
// nothing elsewhere: other text is never touched.
#pragma once

#include "html_tokens.h"
#include "piece_writer.h"

#include <string_view>
#include <vector>

// Runs of at least this many characters without a blank get break
// opportunities: longer than any word of a language, shorter than a line
// of a small page.
inline constexpr std::size_t kLongRun = 40;

// Edits of the text tokens of the page's body: in long runs of ASCII
// letters, digits and punctuation a <wbr> after the punctuation that
// separates their parts (/ . _ - and the like) and at least every 20
// characters. Runs of other scripts are left to the renderer, which breaks
// Chinese anywhere. Not in Arabic script either: there this WebKit draws
// the words on both sides of a <wbr> over each other. Text that mixes
// Arabic-script letters with other characters gets its runs of letters in
// text nodes of their own (arabic_runs.h), which this WebKit measures as it
// draws them. Sorted by position.
std::vector<TextEdit> AddBreakOpportunities(std::string_view page, const std::vector<HtmlToken>& tokens);

// `a` and `b`, both sorted and not overlapping each other, as one sorted list.
std::vector<TextEdit> MergeEdits(std::vector<TextEdit> a, std::vector<TextEdit> b);
