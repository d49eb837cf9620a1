// Renders pieces with the system's wkhtmltopdf, several at once.
#pragma once

#include "system_renderer.h"

#include <cstddef>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

struct RenderJob {
    std::filesystem::path page;
    std::filesystem::path pdf;
};

// Runs one system renderer per job, at most `parallel` at a time, each ended
// when this process dies. Stops at the first job that fails, or when a stop
// is requested (StopSignal), ending the renderers still running. Returns an
// empty text when every job wrote its PDF, else why not.
std::string RenderAll(const RendererSetup& setup, const std::vector<RenderJob>& jobs, std::size_t parallel);

// Pieces that the system's wkhtmltopdf drew too small, rendered again: a
// job whose PDF `shrunk` finds so is run once more with the next of the
// `stronger` setups, until one fits or the last has been tried (its PDF is
// then kept as it is). `renderedAgain` counts those second runs.
struct FitRetries {
    std::vector<RendererSetup> stronger;
    std::function<bool(const std::filesystem::path& pdf)> shrunk;
    std::size_t renderedAgain = 0;
};

// RenderAll with shrunk pieces rendered again as `retries` says.
std::string RenderAll(const RendererSetup& setup, const std::vector<RenderJob>& jobs, std::size_t parallel,
                      FitRetries& retries);

// "piece 2 of 5", or "the page" when it is one piece, for messages.
std::string PieceName(std::size_t index, std::size_t count);

// How many renderers may run at once here: the processors this process may
// use, at most eight (each may take a few hundred MB).
std::size_t UsableProcessors();
