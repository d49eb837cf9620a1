#include "velmora_app.h"

#include "app_command_line.h"
#include "settings/settings_store.h"
#include "velmora_dlg.h"

#include "engine/paths.h"

#include <cstdio>
#include <filesystem>
#include <utility>

#include <wx/image.h>

namespace {

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
    AppCommandLine commandLine = ParseAppCommandLine(args);
    if (const int status = ReportCommandLine(commandLine); status >= 0)
        return status;
    CVelmoraApp::SetStartupPaths(std::move(commandLine.paths));

    // The window system sees no argument of ours.
    int wxArgc = 1;
    char* wxArgv[] = {argv[0], nullptr};
    return wxEntry(wxArgc, wxArgv);
}
#endif

void CVelmoraApp::SetStartupPaths(std::vector<std::wstring> paths) { StartupPaths() = std::move(paths); }

bool CVelmoraApp::OnInit()
{
#ifdef _WIN32
    std::vector<std::wstring> args;
    for (int i = 1; i < argc; ++i)
        args.push_back(argv[i].ToStdWstring());
    AppCommandLine commandLine = ParseAppCommandLine(args);
    if (ReportCommandLine(commandLine) >= 0)
        return false;
    SetStartupPaths(std::move(commandLine.paths));
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
        dialog.ShowModal();
        SetTopWindow(nullptr);
    }
    // OnRun returns at once: the program ends here.
    return true;
}
