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

// The setup of a job's `attempt`: 0 the ordinary one, then the stronger ones.
const RendererSetup& SetupForAttempt(const RendererSetup& first, const FitRetries& retries, std::size_t attempt);

// After a job's `attempt` wrote its PDF: whether it is to be rendered again
// with the next stronger setup, because its PDF was drawn too small.
bool RenderAgainIfShrunk(const RenderJob& job, std::size_t attempt, FitRetries& retries);
