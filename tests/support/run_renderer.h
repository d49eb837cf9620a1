// Runs the renderer tool (core/wkhtmltopdf) the way the program does.
#pragma once

#include "run_program.h"

#include <filesystem>
#include <string>
#include <vector>

// The arguments and environment changes RunRenderer runs the renderer
// with, for a test that starts it as a RunningProgram.
std::vector<std::string> RendererArguments(int widthMm, int heightMm, const std::filesystem::path& page,
                                           const std::filesystem::path& pdf,
                                           const std::vector<std::string>& extra = {});
std::vector<std::string> RendererEnvironment(const std::vector<std::string>& environment = {});

// Renders `page` into `pdf` on pages of `widthMm` by `heightMm`, with the
// renderer's own `extra` options before the two paths, and with no display
// whatever the test runs under. `environment` changes its environment
// further (see RunningProgram).
ProgramResult RunRenderer(const std::filesystem::path& renderer, int widthMm, int heightMm,
                          const std::filesystem::path& page, const std::filesystem::path& pdf,
                          const std::vector<std::string>& extra = {},
                          const std::vector<std::string>& environment = {});
