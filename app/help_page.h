// The program's help page, installed beside the executable as
// help/index.html, opened in the default browser by the Help button and the
// link at the bottom of the main window.
#pragma once

#include <functional>

#include <wx/string.h>

inline constexpr wchar_t kHelpLinkText[] = L"Corvale Help";

// Full path of the help page beside the executable.
wxString GetHelpPagePath();
// The help page as a file:// address.
wxString GetHelpPageUrl();

// Opens an address in the default browser; a test may replace the opener.
using UrlOpener = std::function<bool(const wxString& url)>;
void SetUrlOpener(UrlOpener opener);  // an empty opener restores the browser
bool OpenUrl(const wxString& url);
