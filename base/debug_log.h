// The program's debug channel: diagnostics and the tools' output go here, and
// reach standard error only when the environment variable CORVALE_DEBUG is set.
#pragma once

#include <string_view>

bool IsDebugOutputEnabled();
void DebugOutput(std::string_view text);
void DebugOutput(std::wstring_view text);
