// What a finished system renderer's exit tells, on every platform.
#pragma once

#include "render_jobs.h"

#include <cstddef>
#include <string>
#include <vector>

// Of each renderer's messages, the end is kept.
inline constexpr std::size_t kKeptOutput = 16 * 1024;

// Appends `bytes` to `output`, keeping only its end once it grows large.
void KeepOutput(std::string& output, const char* bytes, std::size_t size);

// The renderer's message that tells why it failed, if it gave one.
std::string ErrorLineOf(const std::string& output);

// Why job `index` failed given the exit status it ended with, or an empty
// text when it wrote its PDF.
std::string ExitOutcome(std::size_t index, const std::vector<RenderJob>& jobs, const std::string& output, long code);
