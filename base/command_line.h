// Windows hands a program one command line, which its C runtime cuts into
// arguments again: quotes and backslashes must be written so that every
// argument comes back exactly as it was given.
#pragma once

#include <string>
#include <vector>

// One argument as the C runtime reads it back: bare when it has no space,
// tab or quote, else quoted, with the backslashes before a quote (and before
// the closing quote) doubled.
std::wstring QuoteArgument(const std::wstring& argument);

// The arguments joined with spaces, each quoted as above.
std::wstring JoinCommandLine(const std::vector<std::wstring>& arguments);
