#include "renderer_host.h"

#include <cstdlib>
#include <string_view>
#include <sys/stat.h>
#include <unistd.h>

extern char** environ;

namespace fs = std::filesystem;

const char* const kRendererFileName = "wkhtmltopdf";
const char* const kInstallAdvice = "install the wkhtmltopdf package, or set CORVALE_WKHTMLTOPDF to its program";

bool IsProgramFile(const fs::path& path)
{
    struct stat info {};
    return stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode) && access(path.c_str(), X_OK) == 0;
}

std::vector<fs::path> PathFolders()
{
    std::vector<fs::path> folders;
    const char* path = std::getenv("PATH");
    if (!path) return folders;
    std::string_view rest = path;
    for (;;) {
        const std::size_t colon = rest.find(':');
        const std::string_view folder = rest.substr(0, colon);
        folders.emplace_back(folder.empty() ? std::string_view(".") : folder);
        if (colon == std::string_view::npos) break;
        rest.remove_prefix(colon + 1);
    }
    return folders;
}

std::vector<fs::path> InstalledRendererPlaces() { return {"/usr/bin/wkhtmltopdf", "/usr/local/bin/wkhtmltopdf"}; }

std::optional<fs::path> PathVariable(const char* name)
{
    const char* value = std::getenv(name);
    if (!value || !*value) return std::nullopt;
    return fs::path(value);
}

std::vector<std::string> CurrentEnvironment()
{
    std::vector<std::string> entries;
    for (char** entry = environ; *entry; ++entry) entries.emplace_back(*entry);
    return entries;
}
