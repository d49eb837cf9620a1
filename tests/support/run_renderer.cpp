#include "run_renderer.h"

ProgramResult RunRenderer(const std::filesystem::path& renderer, int widthMm, int heightMm,
                          const std::filesystem::path& page, const std::filesystem::path& pdf,
                          const std::vector<std::string>& extra, const std::vector<std::string>& environment)
{
    std::vector<std::string> arguments{"--page-width", std::to_string(widthMm), "--page-height",
                                       std::to_string(heightMm)};
    arguments.insert(arguments.end(), extra.begin(), extra.end());
    arguments.push_back(page.string());
    arguments.push_back(pdf.string());
    std::vector<std::string> changes{"DISPLAY", "WAYLAND_DISPLAY"};
    changes.insert(changes.end(), environment.begin(), environment.end());
    return RunProgram(renderer.string(), arguments, changes);
}
