// What the page assembly needs to know about HTML elements by name (names in
// lower case, as the tokenizer gives them).
#pragma once

#include "html_tokens.h"

#include <cstddef>
#include <functional>
#include <initializer_list>
#include <string_view>
#include <vector>

// Left out together with everything inside them: what a PDF cannot hold
// (scripts, sound, film, plug-ins, frames) and what is not shown (title).
bool IsDroppedWithContent(std::string_view name);

// Left out on their own; whatever they enclose stays.
bool IsDroppedTag(std::string_view name);

// Elements that show something even when they hold no text.
bool IsVisibleWithoutText(std::string_view name);

bool IsInlineElement(std::string_view name);

// Elements an HTML parser closes on its own when the given start tag comes
// (a new paragraph ends an open one), so that unclosed <p> and <li> of older
// books do not look like they enclose the rest of the book. `open` holds the
// open elements, innermost last, as keys that `nameOf` turns into names.
void CloseImpliedElements(std::vector<std::size_t>& open, std::string_view name,
                          const std::function<std::string_view(std::size_t)>& nameOf);
