// The settings kept between runs: the output-folder text and the page size
// (in the one COptions object while the program runs) and the main window's
// placement. They live in the per-user configuration of vendor "Lumeno",
// application "Corvale": on Windows the registry key
// HKEY_CURRENT_USER\Software\Lumeno\Corvale, elsewhere the file
// $XDG_CONFIG_HOME/Lumeno/Corvale.conf (by default ~/.config/Lumeno/Corvale.conf).
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include <wx/gdicmn.h>
#include <wx/string.h>

class wxConfigBase;
class wxTopLevelWindow;

inline constexpr wchar_t kSettingsAppName[] = L"Corvale";
inline constexpr wchar_t kSettingsVendorName[] = L"Lumeno";

// Size of the window when no placement is stored (outer size, pixels).
inline constexpr int kDefaultWindowWidth = 850;
inline constexpr int kDefaultWindowHeight = 650;

#ifndef __WINDOWS__
// The settings file, from XDG_CONFIG_HOME (or HOME) as they are now.
wxString GetSettingsFilePath();
#endif

// The settings store, opened afresh; values are taken literally (no
// expansion of environment variables).
std::unique_ptr<wxConfigBase> OpenSettings();

// The output folder of a first start: the user's home folder ("C:\" on Windows).
std::wstring DefaultOutputFolder();

// OutputPath, PageWidth and PageHeight into g_pOptions, with their defaults
// (DefaultOutputFolder(), 210, 297); a page measurement outside 26 to 1500 mm
// gives its default too.
void LoadOptions();
// OutputPath, PageWidth and PageHeight from g_pOptions, then flushed.
void SaveOptions();

// The stored placement values; Right 0 means none stored.
struct StoredPlacement {
    long left = 0;
    long top = 0;
    long right = 0;
    long bottom = 0;
    bool maximized = false;
};

StoredPlacement ReadStoredPlacement(wxConfigBase& config);

// The rectangle a stored placement puts the window on. A negative Left or Top
// is raised to zero keeping the window's size; Right 0 (or a rectangle
// without area) gives the default size at (Left, Top); a rectangle that no
// display shows gives the default size at the top-left corner.
wxRect ChooseWindowRect(const StoredPlacement& stored, const std::vector<wxRect>& displays);

// The rectangles of the displays attached now.
std::vector<wxRect> GetDisplayRects();

// Places the window from the stored values, maximising it when it was
// maximised at its last close.
void RestoreWindowPlacement(wxTopLevelWindow& window);
// Stores Maximized and, when the window is in its normal state, Left, Top,
// Bottom and Right; then flushed. A maximised or minimised window keeps the
// edges stored before, so its normal rectangle comes back next time.
void SaveWindowPlacement(const wxTopLevelWindow& window);
