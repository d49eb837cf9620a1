#include "system_renderer.h"

#include "renderer_host.h"

#include "base/paths.h"

#include <cstdlib>
#include <string_view>
#include <system_error>

namespace fs = std::filesystem;

namespace {

// A program file that is not this renderer itself (found in its place, it
// would start itself over and over).
bool IsOtherProgram(const fs::path& candidate, const fs::path& self)
{
    std::error_code error;
    return IsProgramFile(candidate) && (self.empty() || !fs::equivalent(candidate, self, error));
}

}  // namespace

std::optional<fs::path> FindSystemRenderer(std::string& missing)
{
    const fs::path self = OwnExecutablePath();
    std::error_code error;
    if (const std::optional<fs::path> named = PathVariable(kRendererVariable)) {
        if (IsOtherProgram(*named, self)) return fs::absolute(*named, error);
        missing = std::string(kRendererVariable) + " names " + PathText(*named) + ", which is not a wkhtmltopdf program";
        return std::nullopt;
    }
    std::vector<fs::path> candidates;
    for (const fs::path& folder : PathFolders()) candidates.push_back(folder / kRendererFileName);
    for (const fs::path& place : InstalledRendererPlaces()) candidates.push_back(place);
    for (const fs::path& candidate : candidates) {
        if (!IsOtherProgram(candidate, self)) continue;
        const fs::path resolved = fs::canonical(candidate, error);
        if (!error) return resolved;
    }
    missing = std::string("the wkhtmltopdf program is not installed (") + kInstallAdvice + ")";
    return std::nullopt;
}

RendererSetup MakeRendererSetup(const fs::path& program, const fs::path& pageFolder, const PageSetup& page,
                                const fs::path& runtimeFolder)
{
    RendererSetup setup;
    setup.program = program;
    setup.options = {
        PathText(program),
        "--quiet",
        "--encoding", "utf-8",
        "--disable-javascript",
        "--disable-plugins",
        "--disable-local-file-access",
        "--allow", PathText(pageFolder),
        "--proxy", "http://127.0.0.1:0",
        "--proxy-hostname-lookup",
        "--load-error-handling", "ignore",
        "--load-media-error-handling", "ignore",
        "--page-width", page.width + "mm",
        "--page-height", page.height + "mm",
        "--margin-left", Millimetres(page.layout.sideMarginMm),
        "--margin-right", Millimetres(page.layout.sideMarginMm),
        "--margin-top", Millimetres(page.layout.topMarginMm),
        "--margin-bottom", Millimetres(page.layout.bottomMarginMm),
        "--user-style-sheet", PathText(page.styleSheet),
    };
    // Qt draws off screen, with or without a display, and keeps its runtime
    // files in our folder rather than one of its own in /tmp.
    const std::string overrides[] = {"QT_QPA_PLATFORM=offscreen", "XDG_RUNTIME_DIR=" + PathText(runtimeFolder),
                                     std::string(kNestedVariable) + "=1"};
    for (const std::string& entry : CurrentEnvironment()) {
        const std::string_view variable = entry;
        const std::string_view name = variable.substr(0, variable.find('='));
        bool replaced = false;
        for (const std::string& override : overrides)
            replaced = replaced || std::string_view(override).substr(0, override.find('=')) == name;
        if (!replaced) setup.environment.emplace_back(variable);
    }
    setup.environment.insert(setup.environment.end(), std::begin(overrides), std::end(overrides));
    return setup;
}
