#include "run_renderer.h"

std::vector<std::string> RendererArguments(int widthMm, int heightMm, const std::filesystem::path& page,
                                           const std::filesystem::path& pdf, const std::vector<std::string>& extra)
{
    std::vector<std::string> arguments{"--page-width", std::to_string(widthMm), "--page-height",
                                       std::to_string(heightMm)};
    arguments.insert(arguments.end(), extra.begin(), extra.end());
    arguments.push_back(page.string());
    arguments.push_back(pdf.string());
    return arguments;
}

std::vector<std::string> RendererEnvironment(const std::vector<std::string>& environment)
{
    std::vector<std::string> changes{"DISPLAY", "WAYLAND_DISPLAY"};
    changes.insert(changes.end(), environment.begin(), environment.end());
    return changes;
}

ProgramResult RunRenderer(const std::filesystem::path& renderer, int widthMm, int heightMm,
                          const std::filesystem::path& page, const std::filesystem::path& pdf,
                          const std::vector<std::string>& extra, const std::vector<std::string>& environment)
{
    return RunProgram(renderer.string(), RendererArguments(widthMm, heightMm, page, pdf, extra),
                      RendererEnvironment(environment));
}
