// The named character references of HTML 4 (the ones books use: Latin-1,
// typographic marks, Greek letters, mathematical symbols).
#pragma once

#include <cstdint>
#include <string_view>

// The code point `name` (without '&' and ';', case-sensitive) stands for; 0
// when HTML 4 defines no such name.
std::uint32_t HtmlEntityCodePoint(std::string_view name);
