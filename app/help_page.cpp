#include "help_page.h"

#include <wx/filename.h>
#include <wx/stdpaths.h>
#include <wx/utils.h>

namespace {

UrlOpener& Opener()
{
    static UrlOpener opener;
    return opener;
}

}  // namespace

wxString GetHelpPagePath()
{
    wxFileName page(wxStandardPaths::Get().GetExecutablePath());
    page.AppendDir(wxS("help"));
    page.SetFullName(wxS("index.html"));
    return page.GetFullPath();
}

wxString GetHelpPageUrl() { return wxFileName::FileNameToURL(wxFileName(GetHelpPagePath())); }

void SetUrlOpener(UrlOpener opener) { Opener() = std::move(opener); }

bool OpenUrl(const wxString& url)
{
    if (Opener())
        return Opener()(url);
    return wxLaunchDefaultBrowser(url);
}
