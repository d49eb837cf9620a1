#include "settings_store.h"

#include "settings/options.h"

#include <wx/confbase.h>
#include <wx/display.h>
#include <wx/filename.h>
#include <wx/toplevel.h>
#include <wx/utils.h>

#ifdef __WINDOWS__
#include <wx/msw/regconf.h>
#else
#include <wx/fileconf.h>
#endif

namespace {

// A stored measurement is checked as one typed into the page setup dialog
// would be: a hand-edited or damaged value outside the bounds (or no number
// at all) gives the default, so it never reaches the renderer.
int32_t ReadPageMeasurement(wxConfigBase& config, const wxString& key, int32_t fallback)
{
    long value = fallback;
    if (!config.Read(key, &value) || !IsPageMeasurementInRange(value))
        return fallback;
    return static_cast<int32_t>(value);
}

}  // namespace

std::wstring DefaultOutputFolder()
{
#ifdef __WINDOWS__
    return L"C:\\";
#else
    const wxString home = wxGetHomeDir();
    return home.empty() ? std::wstring(L"/") : home.ToStdWstring();
#endif
}

#ifndef __WINDOWS__
wxString GetSettingsFilePath()
{
    // The XDG base directory rules: a relative XDG_CONFIG_HOME is ignored.
    wxString base;
    if (!wxGetEnv(wxS("XDG_CONFIG_HOME"), &base) || !wxFileName(base).IsAbsolute())
        base = wxGetHomeDir() + wxS("/.config");
    wxFileName file(base, wxString(kSettingsAppName) + wxS(".conf"));
    file.AppendDir(kSettingsVendorName);
    return file.GetFullPath();
}
#endif

std::unique_ptr<wxConfigBase> OpenSettings()
{
#ifdef __WINDOWS__
    // The user's own key only: no machine-wide key under HKEY_LOCAL_MACHINE
    // stands in for a value the user has not stored.
    auto config = std::make_unique<wxRegConfig>(kSettingsAppName, kSettingsVendorName, wxString(), wxString(),
                                                wxCONFIG_USE_LOCAL_FILE);
#else
    // The file's folder may not exist on a first run; the file is written
    // there when the settings are flushed.
    const wxString path = GetSettingsFilePath();
    const wxFileName file(path);
    if (!file.DirExists())
        wxFileName::Mkdir(file.GetPath(), wxS_DIR_DEFAULT, wxPATH_MKDIR_FULL);
    auto config = std::make_unique<wxFileConfig>(kSettingsAppName, kSettingsVendorName, path, wxString(),
                                                 wxCONFIG_USE_LOCAL_FILE);
#endif
    // A folder named $HOME or %TEMP% is a name, not a variable.
    config->SetExpandEnvVars(false);
    return config;
}

void LoadOptions()
{
    if (!g_pOptions)
        return;
    std::unique_ptr<wxConfigBase> config = OpenSettings();
    wxString outputPath;
    config->Read(wxS("OutputPath"), &outputPath, wxString(DefaultOutputFolder()));
    g_pOptions->m_strOutputPath = outputPath.ToStdWstring();
    g_pOptions->m_nPageWidth = ReadPageMeasurement(*config, wxS("PageWidth"), COptions::kDefaultPageWidth);
    g_pOptions->m_nPageHeight = ReadPageMeasurement(*config, wxS("PageHeight"), COptions::kDefaultPageHeight);
}

void SaveOptions()
{
    if (!g_pOptions)
        return;
    std::unique_ptr<wxConfigBase> config = OpenSettings();
    config->Write(wxS("OutputPath"), wxString(g_pOptions->m_strOutputPath));
    config->Write(wxS("PageWidth"), long(g_pOptions->m_nPageWidth.load()));
    config->Write(wxS("PageHeight"), long(g_pOptions->m_nPageHeight.load()));
    config->Flush();
}

StoredPlacement ReadStoredPlacement(wxConfigBase& config)
{
    StoredPlacement stored;
    config.Read(wxS("Left"), &stored.left, 0L);
    config.Read(wxS("Top"), &stored.top, 0L);
    config.Read(wxS("Right"), &stored.right, 0L);
    config.Read(wxS("Bottom"), &stored.bottom, 0L);
    long maximized = 0;
    config.Read(wxS("Maximized"), &maximized, 0L);
    stored.maximized = maximized != 0;
    return stored;
}

wxRect ChooseWindowRect(const StoredPlacement& stored, const std::vector<wxRect>& displays)
{
    long left = stored.left, top = stored.top, right = stored.right, bottom = stored.bottom;
    // Raising an edge to zero moves the opposite edge along: the size stays.
    if (left < 0) {
        if (right != 0)
            right -= left;
        left = 0;
    }
    if (top < 0) {
        bottom -= top;
        top = 0;
    }

    wxRect rect(int(left), int(top), kDefaultWindowWidth, kDefaultWindowHeight);
    if (right != 0 && right > left && bottom > top)
        rect = wxRect(int(left), int(top), int(right - left), int(bottom - top));

    for (const wxRect& display : displays) {
        if (display.Intersects(rect))
            return rect;
    }
    return wxRect(0, 0, kDefaultWindowWidth, kDefaultWindowHeight);
}

std::vector<wxRect> GetDisplayRects()
{
    std::vector<wxRect> rects;
    for (unsigned i = 0; i < wxDisplay::GetCount(); ++i)
        rects.push_back(wxDisplay(i).GetGeometry());
    return rects;
}

void RestoreWindowPlacement(wxTopLevelWindow& window)
{
    std::unique_ptr<wxConfigBase> config = OpenSettings();
    const StoredPlacement stored = ReadStoredPlacement(*config);
    window.SetSize(ChooseWindowRect(stored, GetDisplayRects()));
    if (stored.maximized)
        window.Maximize(true);
}

void SaveWindowPlacement(const wxTopLevelWindow& window)
{
    std::unique_ptr<wxConfigBase> config = OpenSettings();
    const bool maximized = window.IsMaximized();
    config->Write(wxS("Maximized"), maximized ? 1L : 0L);
    if (!maximized && !window.IsIconized()) {
        const wxRect rect = window.GetRect();
        config->Write(wxS("Left"), long(rect.GetLeft()));
        config->Write(wxS("Top"), long(rect.GetTop()));
        config->Write(wxS("Bottom"), long(rect.GetTop() + rect.GetHeight()));
        config->Write(wxS("Right"), long(rect.GetLeft() + rect.GetWidth()));
    }
    config->Flush();
}
