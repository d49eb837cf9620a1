// The program's help page, opened in the default browser by the Help button
// and the link at the bottom of the main window, and the one way the window
// hands an address or a document to the desktop.
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

// Opens an address in the default browser; a test may replace the opener,
// which then receives every address and document the window opens.
using UrlOpener = std::function<bool(const wxString& url)>;
void SetUrlOpener(UrlOpener opener);  // an empty opener restores the desktop's
bool OpenUrl(const wxString& url);
// Opens a file with the desktop's program for its type (a PDF in the PDF
// viewer); the opener set by a test receives its file:// address.
bool OpenDocument(const wxString& path);
