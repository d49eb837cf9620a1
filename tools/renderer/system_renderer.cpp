#include "system_renderer.h"

#include <cstdlib>
#include <string_view>
#include <sys/stat.h>
#include <unistd.h>

extern char** environ;

namespace fs = std::filesystem;

namespace {

bool SameFile(const fs::path& a, const fs::path& b)
{
    struct stat first {}, second {};
    return stat(a.c_str(), &first) == 0 && stat(b.c_str(), &second) == 0 && first.st_dev == second.st_dev &&
           first.st_ino == second.st_ino;
}

bool IsExecutableFile(const fs::path& path)
{
    struct stat info {};
    return stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode) && access(path.c_str(), X_OK) == 0;
}

}  // namespace

std::optional<fs::path> FindSystemRenderer()
{
    std::vector<fs::path> folders;
    if (const char* path = std::getenv("PATH")) {
        std::string_view rest = path;
        for (;;) {
            const std::size_t colon = rest.find(':');
            const std::string_view folder = rest.substr(0, colon);
            folders.emplace_back(folder.empty() ? std::string_view(".") : folder);
            if (colon == std::string_view::npos) break;
            rest.remove_prefix(colon + 1);
        }
    }
    folders.emplace_back("/usr/bin");
    folders.emplace_back("/usr/local/bin");

    std::error_code error;
    const fs::path self = fs::read_symlink("/proc/self/exe", error);
    for (const fs::path& folder : folders) {
        const fs::path candidate = folder / "wkhtmltopdf";
        if (!IsExecutableFile(candidate) || (!self.empty() && SameFile(candidate, self))) continue;
        const fs::path resolved = fs::canonical(candidate, error);
        if (!error) return resolved;
    }
    return std::nullopt;
}

RendererSetup MakeRendererSetup(const fs::path& program, const fs::path& pageFolder, const PageSetup& page,
                                const fs::path& runtimeFolder)
{
    RendererSetup setup;
    setup.program = program;
    setup.options = {
        program.string(),
        "--quiet",
        "--encoding", "utf-8",
        "--disable-javascript",
        "--disable-plugins",
        "--disable-local-file-access",
        "--allow", pageFolder.string(),
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
        "--user-style-sheet", page.styleSheet.string(),
    };
    // Qt draws off screen, with or without a display, and keeps its runtime
    // files in our folder rather than one of its own in /tmp.
    const std::string overrides[] = {"QT_QPA_PLATFORM=offscreen", "XDG_RUNTIME_DIR=" + runtimeFolder.string(),
                                     std::string(kNestedVariable) + "=1"};
    for (char** entry = environ; *entry; ++entry) {
        const std::string_view variable = *entry;
        const std::string_view name = variable.substr(0, variable.find('='));
        bool replaced = false;
        for (const std::string& override : overrides)
            replaced = replaced || std::string_view(override).substr(0, override.find('=')) == name;
        if (!replaced) setup.environment.emplace_back(variable);
    }
    setup.environment.insert(setup.environment.end(), std::begin(overrides), std::end(overrides));
    return setup;
}
