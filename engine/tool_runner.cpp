// The runner of the external tools and the work folder.
#include "engine.h"

#include "base/child_process.h"
#include "base/debug_log.h"
#include "base/file_ptr.h"
#include "base/paths.h"
#include "base/process_names.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <system_error>

#ifdef _WIN32
#include <windows.h>
#include <knownfolders.h>
#include <shlobj.h>
#endif

namespace {

#ifdef _WIN32
// The variables through which a tool script gets its command and its own path.
constexpr wchar_t kToolCommandVariable[] = L"CORVALE_TOOL_COMMAND";
constexpr wchar_t kToolScriptVariable[] = L"CORVALE_TOOL_SCRIPT";
#endif

// Writes the whole text to a new file; false (and no file) on failure.
bool WriteNewFile(const std::wstring& path, const std::string& text)
{
    const std::filesystem::path file = ToNativePath(path);
    FilePtr stream = CreateNewFile(file);
    if (!stream)
        return false;
    const bool written = std::fwrite(text.data(), 1, text.size(), stream.get()) == text.size();
    const bool closed = std::fclose(stream.release()) == 0;
    if (written && closed)
        return true;
    std::error_code error;
    std::filesystem::remove(file, error);
    return false;
}

}  // namespace

std::wstring VelmoraEng::GetToolPath(const std::wstring& name) const
{
    std::wstring folder = m_strToolFolder;
    if (folder.empty()) {
        folder = FromNativePath(OwnExecutablePath().parent_path());
        folder += kPathSeparator;
        folder += L"core";
    }
    if (folder.empty() || !IsPathSeparator(folder.back()))
        folder += kPathSeparator;
    return folder + name;
}

std::wstring VelmoraEng::GetWorkFolder()
{
#ifdef _WIN32
    // The roaming application-data folder, of any length.
    PWSTR folder = nullptr;
    std::wstring result;
    if (SUCCEEDED(SHGetKnownFolderPath(FOLDERID_RoamingAppData, KF_FLAG_DONT_VERIFY, nullptr, &folder)))
        result = std::wstring(folder) + L"\\Velmora";
    CoTaskMemFree(folder);
    return result;
#else
    std::wstring base;
    const char* cache = std::getenv("XDG_CACHE_HOME");
    if (cache && cache[0] == '/') {
        base = FromNativePath(cache);
    } else {
        const char* home = std::getenv("HOME");
        if (!home || !*home)
            return std::wstring();
        base = FromNativePath(home) + L"/.cache";
    }
    while (base.size() > 1 && base.back() == L'/')
        base.pop_back();
    return base + L"/Velmora";
#endif
}

std::wstring VelmoraEng::MakeWorkPath(const std::wstring& prefix) const
{
    const std::wstring folder = GetWorkFolder();
    std::error_code error;
    const std::filesystem::path native = ToNativePath(folder);
    if (std::filesystem::create_directories(native, error)) {
        // The folder holds copies of the user's books: keep it private.
        std::filesystem::permissions(native, std::filesystem::perms::owner_all, error);
    }
    return folder + kPathSeparator + prefix + MakeWorkNameStamp();
}

std::wstring VelmoraEng::QuoteScriptArgument(const std::wstring& path)
{
#ifdef _WIN32
    // The command reaches the script through a variable, whose value the
    // interpreter takes as it stands: no %name% in it is expanded.
    return L"\"" + path + L"\"";
#else
    // Single quotes take everything literally; a quote itself ends the quoted
    // run, is escaped, and a new run begins.
    std::wstring quoted = L"'";
    for (wchar_t c : path) {
        if (c == L'\'')
            quoted += L"'\\''";
        else
            quoted += c;
    }
    return quoted + L"'";
#endif
}

std::wstring VelmoraEng::WriteToolScript([[maybe_unused]] const std::wstring& commandLine) const
{
#ifdef _WIN32
    // The interpreter reads a script in the console's code page, so any
    // letter outside it (a book or a user folder named in another script)
    // would be mangled. The script's own text stays ASCII: the command line
    // and the script's path come in variables, which keep every letter.
    const std::wstring path = MakeWorkPath(L"velmora") + L".bat";
    const std::wstring text = L"chcp " + std::to_wstring(GetACP()) + L"\r\n\r\n%" + kToolCommandVariable +
                              L"%\r\n\r\ndel \"%" + kToolScriptVariable + L"%\"";
    auto bytes = WideToUtf8(text);
    if (!bytes || !WriteNewFile(path, *bytes))
        return std::wstring();
#else
    // The shell reads the script through the file it opened, so the script
    // can remove itself first: then the command may end it with exec, and a
    // killed run leaves no script behind.
    const std::wstring path = MakeWorkPath(L"velmora") + L".sh";
    const std::wstring text = L"export LANG=C.UTF-8 LC_ALL=C.UTF-8\nrm -f -- " + QuoteScriptArgument(path) +
                              L"\n\n" + commandLine + L"\n";
    if (!WriteNewFile(path, ToNativeBytes(text)))
        return std::wstring();
#endif
    return path;
}

bool VelmoraEng::RunTool(const std::wstring& commandLine)
{
    const std::wstring script = WriteToolScript(commandLine);
    if (script.empty()) {
        DebugOutput("CreateProcess\n");
        return false;
    }

    ChildProcess child;
#ifdef _WIN32
    const ChildEnvironment environment{{kToolCommandVariable, commandLine}, {kToolScriptVariable, script}};
#else
    const ChildEnvironment environment;
#endif
    const bool started = child.Start(script, environment);
    if (started) {
        // Returns as soon as the tool ends; reads its output as it arrives so
        // a talkative tool never blocks on a full pipe; looks at the stop
        // request at least every 500 ms.
        while (!child.Wait(500)) {
            DrainToolOutput(child);
            if (m_nState != STATUS_STARTED) {
                child.Terminate();
                break;
            }
        }
        DrainToolOutput(child);
    }
    std::error_code error;
    std::filesystem::remove(ToNativePath(script), error);  // normally gone already
    return started && m_nState == STATUS_STARTED;
}

void VelmoraEng::DrainToolOutput(ChildProcess& child)
{
    char buffer[4096 + 1];
    for (;;) {
        const size_t n = child.ReadPending(buffer, sizeof buffer - 1);
        if (n == 0)
            return;
        buffer[n] = '\0';
        DebugOutput(std::string_view(buffer, n));
        OnToolOutput(buffer);
    }
}
