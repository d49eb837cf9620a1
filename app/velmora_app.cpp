#include "velmora_app.h"

#include "app_command_line.h"
#include "test_drive.h"
#include "settings/settings_store.h"
#include "velmora_dlg.h"

#include "base/paths.h"

#include <cstdio>
#include <filesystem>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include <wx/image.h>

#ifdef _WIN32
#include <windows.h>
#endif

namespace {

// The books and folders named on the command line, put into the list once
// the window shows.
std::vector<std::wstring>& StartupPaths()
{
    static std::vector<std::wstring> paths;
    return paths;
}

// Named on the command line but neither a .mobi file nor a folder: the list
// leaves them out as Add File(s) would; a line on standard error says so to
// whoever started the program from a terminal.
void ReportLeftOut(const std::vector<std::wstring>& paths)
{
    for (const std::wstring& path : paths)
        std::fprintf(stderr, "corvale: %s: not a .mobi book or a folder, left out\n", ToNativeBytes(path).c_str());
}

// Prints the help, the version or a usage error and returns the exit status;
// otherwise keeps the books and folders for the window and returns -1.
int TakeCommandLine(const std::vector<std::wstring>& args)
{
    AppCommandLine commandLine = ParseAppCommandLine(args);
    const int status = ReportCommandLine(commandLine);
    if (status < 0)
        StartupPaths() = std::move(commandLine.paths);
    return status;
}

}  // namespace

#ifdef _WIN32
wxIMPLEMENT_APP(CVelmoraApp);
#else
// The command line is read before wxWidgets starts the window system, so
// --help, --version and usage errors work without a display.
wxIMPLEMENT_APP_NO_MAIN(CVelmoraApp);

int main(int argc, char* argv[])
{
    std::vector<std::wstring> args;
    for (int i = 1; i < argc; ++i)
        args.push_back(FromNativePath(std::filesystem::path(argv[i])));
    if (const int status = TakeCommandLine(args); status >= 0)
        return status;

    // The window system sees no argument of ours.
    int wxArgc = 1;
    char* wxArgv[] = {argv[0], nullptr};
    return wxEntry(wxArgc, wxArgv);
}
#endif

bool CVelmoraApp::OnInit()
{
#ifdef _WIN32
    std::vector<std::wstring> args;
    for (int i = 1; i < argc; ++i)
        args.push_back(argv[i].ToStdWstring());
    if (TakeCommandLine(args) >= 0)
        return false;
    // Windows may bring the program back after an update that closed it (or
    // offer to after a crash): it then starts afresh, with no books listed.
    // There is nothing to recover, as every file is written whole or not at all.
    RegisterApplicationRestart(nullptr, 0);
#endif
    // The settings live under the vendor and application names.
    SetVendorName(kSettingsVendorName);
    SetAppName(kSettingsAppName);
    wxInitAllImageHandlers();

    {
        CVelmoraDlg dialog;
        SetTopWindow(&dialog);
        // The books go into the list once the window shows, so that a
        // message about one (already added) stands over the window.
        if (!StartupPaths().empty()) {
            dialog.CallAfter([&dialog] { ReportLeftOut(dialog.AddPaths(std::exchange(StartupPaths(), {}))); });
        }
        // A test driving the program from outside starts once the books are listed.
        const std::unique_ptr<TestDrive> drive = TestDrive::FromEnvironment(dialog);
        if (drive)
            dialog.CallAfter([&drive] { drive->Start(); });
        dialog.ShowModal();
        SetTopWindow(nullptr);
    }
    // OnRun returns at once: the program ends here.
    return true;
}
