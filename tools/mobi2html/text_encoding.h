// Turns the book's text bytes into valid UTF-8 for the page.
#pragma once

#include "base/utf8.h"

#include <cstdint>
#include <string>
#include <string_view>

// Windows-1252 text as UTF-8. The five byte values the code page leaves
// undefined and the control characters HTML does not allow are dropped.
std::string Cp1252ToUtf8(std::string_view text);

// Text meant to be UTF-8, made valid: a byte that does not start a
// well-formed sequence is read as Windows-1252 (books that claim UTF-8 are
// sometimes not), and control characters HTML does not allow are dropped.
std::string SanitizeUtf8(std::string_view text);
