// The letters behind a presentation form: the shaped Arabic forms and the
// Latin, Armenian and Hebrew ligatures that a renderer may name a glyph by,
// where a reader searching or copying the text wants the letters.
#pragma once

#include <optional>
#include <string_view>

// For a code point of U+FB00-U+FDFF or U+FE70-U+FEFF with a compatibility
// decomposition, the letters it stands for in logical order (U+FEE0 gives
// U+0644, U+FEFB gives U+0644 U+0627, U+FB01 gives "fi"); nothing for any
// other code point.
std::optional<std::u16string_view> BaseLettersOf(char16_t form);
