#include "help_page.h"

#include "base/paths.h"

#include <system_error>

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

std::filesystem::path FindHelpPage(const std::filesystem::path& executable)
{
    const std::filesystem::path folder = executable.parent_path();
    const std::filesystem::path candidates[] = {
        folder / "help" / "index.html",
        (folder / CORVALE_HELP_FROM_PROGRAM_DIR / "index.html").lexically_normal(),
    };
    for (const std::filesystem::path& page : candidates) {
        std::error_code error;
        if (std::filesystem::is_regular_file(page, error))
            return page;
    }
    return candidates[0];
}

wxString GetHelpPagePath()
{
    // The executable's real path: the bin/ links of an installation lead to
    // the program's own folder.
    const wxString executable = wxStandardPaths::Get().GetExecutablePath();
    return wxString(FromNativePath(FindHelpPage(ToNativePath(executable.ToStdWstring()))));
}

wxString GetHelpPageUrl() { return wxFileName::FileNameToURL(wxFileName(GetHelpPagePath())); }

void SetUrlOpener(UrlOpener opener) { Opener() = std::move(opener); }

bool OpenUrl(const wxString& url)
{
    if (Opener())
        return Opener()(url);
#ifdef __WINDOWS__
    // The shell's reading of %-escaped letters in a file address depends on
    // the Windows version and code page; a page under a folder with
    // non-ASCII letters is opened by its path, which is unambiguous.
    if (url.StartsWith(wxS("file:")))
        return wxLaunchDefaultApplication(wxFileName::URLToFileName(url).GetFullPath());
#endif
    return wxLaunchDefaultBrowser(url);
}

bool OpenDocument(const wxString& path)
{
    if (Opener())
        return Opener()(wxFileName::FileNameToURL(wxFileName(path)));
    return wxLaunchDefaultApplication(path);
}
