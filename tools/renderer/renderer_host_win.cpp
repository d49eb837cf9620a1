#include "renderer_host.h"

#include "base/paths.h"

#include <windows.h>

namespace fs = std::filesystem;

const char* const kRendererFileName = "wkhtmltopdf.exe";
const char* const kInstallAdvice =
    "install wkhtmltopdf with its Windows installer, or set CORVALE_WKHTMLTOPDF to its wkhtmltopdf.exe";

namespace {

// The variable `name`, empty when it is unset; any length.
std::wstring Variable(const wchar_t* name)
{
    std::wstring value(256, L'\0');
    for (;;) {
        const DWORD length = GetEnvironmentVariableW(name, value.data(), static_cast<DWORD>(value.size()));
        if (length == 0) return {};
        if (length < value.size()) {
            value.resize(length);
            return value;
        }
        value.resize(length);
    }
}

}  // namespace

bool IsProgramFile(const fs::path& path)
{
    std::error_code error;
    return fs::is_regular_file(path, error);
}

std::vector<fs::path> PathFolders()
{
    std::vector<fs::path> folders;
    const std::wstring path = Variable(L"PATH");
    std::size_t start = 0;
    while (start <= path.size() && !path.empty()) {
        std::size_t end = path.find(L';', start);
        if (end == std::wstring::npos) end = path.size();
        std::wstring folder = path.substr(start, end - start);
        // A folder may be written in quotes, to hold a semicolon.
        if (folder.size() >= 2 && folder.front() == L'"' && folder.back() == L'"') folder = folder.substr(1, folder.size() - 2);
        if (!folder.empty()) folders.emplace_back(folder);
        start = end + 1;
    }
    return folders;
}

std::vector<fs::path> InstalledRendererPlaces()
{
    const std::wstring programFiles = Variable(L"ProgramFiles");
    if (programFiles.empty()) return {};
    return {fs::path(programFiles) / L"wkhtmltopdf" / L"bin" / L"wkhtmltopdf.exe"};
}

std::optional<fs::path> PathVariable(const char* name)
{
    const std::wstring value = Variable(Utf8ToWide(name).value_or(std::wstring()).c_str());
    if (value.empty()) return std::nullopt;
    return fs::path(value);
}

std::vector<std::string> CurrentEnvironment()
{
    std::vector<std::string> entries;
    wchar_t* block = GetEnvironmentStringsW();
    if (!block) return entries;
    for (const wchar_t* entry = block; *entry; entry += wcslen(entry) + 1) {
        // Entries that start with '=' are the shell's per-drive folders.
        if (*entry == L'=') continue;
        if (const std::optional<std::string> text = WideToUtf8(entry)) entries.push_back(*text);
    }
    FreeEnvironmentStringsW(block);
    return entries;
}
