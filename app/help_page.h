// The program's help page, opened in the default browser by the Help button
// and the link at the bottom of the main window.
#pragma once

#include <filesystem>
#include <functional>

#include <wx/string.h>

inline constexpr wchar_t kHelpLinkText[] = L"Corvale Help";

// The help page for the program at `executable` (its real path): help/
// beside it in the build tree, else the installed help folder found from the
// program's folder; the first when neither exists.
std::filesystem::path FindHelpPage(const std::filesystem::path& executable);

// Full path of the help page of this program.
wxString GetHelpPagePath();
// The help page as a file:// address.
wxString GetHelpPageUrl();

// Opens an address in the default browser; a test may replace the opener.
using UrlOpener = std::function<bool(const wxString& url)>;
void SetUrlOpener(UrlOpener opener);  // an empty opener restores the browser
bool OpenUrl(const wxString& url);
