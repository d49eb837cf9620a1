// unix-wkhtmltopdf.exe: for the Windows build's tests under wine, a stand-in
// for wkhtmltopdf.exe that runs Debian's wkhtmltopdf. Wine starts a Unix
// program from CreateProcessW but gives no process handle to wait on and
// passes the Windows paths as they are, so this program turns every
// absolute Windows path among its arguments into the Unix one, runs the
// program named by CORVALE_UNIX_WKHTMLTOPDF (default /usr/bin/wkhtmltopdf)
// through wine's own Unix spawn, waits for it, hands on what it wrote to
// standard error, and exits with its status.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

using SpawnFunction = LONG(WINAPI*)(char* const* argv, int wait);
using UnixNameFunction = char*(CDECL*)(const wchar_t* dosName);

std::string Utf8(const std::wstring& wide)
{
    const int size = WideCharToMultiByte(CP_UTF8, 0, wide.c_str(), -1, nullptr, 0, nullptr, nullptr);
    std::string text(size > 0 ? size - 1 : 0, '\0');
    if (size > 1) WideCharToMultiByte(CP_UTF8, 0, wide.c_str(), -1, text.data(), size, nullptr, nullptr);
    return text;
}

bool IsWindowsPath(const std::wstring& argument)
{
    return argument.size() >= 3 && iswalpha(argument[0]) && argument[1] == L':' &&
           (argument[2] == L'\\' || argument[2] == L'/');
}

std::string UnixName(UnixNameFunction toUnix, const std::wstring& path)
{
    char* name = toUnix(path.c_str());
    if (!name) return Utf8(path);
    std::string text = name;
    HeapFree(GetProcessHeap(), 0, name);
    return text;
}

}  // namespace

int wmain(int argc, wchar_t** argv)
{
    const auto spawn = reinterpret_cast<SpawnFunction>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "__wine_unix_spawnvp")));
    const auto toUnix = reinterpret_cast<UnixNameFunction>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "wine_get_unix_file_name")));
    if (!spawn || !toUnix) {
        std::fputs("unix-wkhtmltopdf: this runs under wine only\n", stderr);
        return 127;
    }
    const char* program = std::getenv("CORVALE_UNIX_WKHTMLTOPDF");

    // Its standard error goes to a file this program then copies to its own.
    wchar_t folder[MAX_PATH + 1], errors[MAX_PATH + 1];
    if (!GetTempPathW(MAX_PATH + 1, folder) || !GetTempFileNameW(folder, L"uwk", 0, errors)) return 127;
    std::vector<std::string> words = {"/bin/sh", "-c", "f=$1; shift; exec \"$@\" 2>\"$f\"", "sh",
                                      UnixName(toUnix, errors), program && *program ? program : "/usr/bin/wkhtmltopdf"};
    for (int i = 1; i < argc; ++i)
        words.push_back(IsWindowsPath(argv[i]) ? UnixName(toUnix, argv[i]) : Utf8(argv[i]));
    std::vector<char*> unixArgv;
    for (std::string& word : words) unixArgv.push_back(word.data());
    unixArgv.push_back(nullptr);

    const LONG status = spawn(unixArgv.data(), TRUE);

    if (FILE* said = _wfopen(errors, L"rb")) {
        char buffer[4096];
        for (size_t n; (n = std::fread(buffer, 1, sizeof buffer, said)) > 0;) std::fwrite(buffer, 1, n, stderr);
        std::fclose(said);
    }
    DeleteFileW(errors);
    return static_cast<int>(status);
}
