#include "prompts.h"

#include <wx/dirdlg.h>
#include <wx/filedlg.h>
#include <wx/msgdlg.h>

namespace {

class RealPrompts final : public Prompts {
public:
    int Message(wxWindow* owner, const wxString& text, const wxString& caption, long style) override
    {
        return wxMessageBox(text, caption, style, owner);
    }

    bool OpenFiles(wxWindow* owner, const wxString& title, const wxString& wildcard,
                   wxArrayString& paths) override
    {
        wxFileDialog dialog(owner, title, wxString(), wxString(), wildcard,
                            wxFD_OPEN | wxFD_MULTIPLE | wxFD_FILE_MUST_EXIST);
        if (dialog.ShowModal() != wxID_OK)
            return false;
        dialog.GetPaths(paths);
        return true;
    }

    bool PickFolder(wxWindow* owner, const wxString& title, wxString& path) override
    {
        wxDirDialog dialog(owner, title, wxString(), wxDD_DEFAULT_STYLE | wxDD_DIR_MUST_EXIST);
        if (dialog.ShowModal() != wxID_OK)
            return false;
        path = dialog.GetPath();
        return true;
    }
};

RealPrompts g_realPrompts;
Prompts* g_prompts = &g_realPrompts;

}  // namespace

Prompts& GetPrompts() { return *g_prompts; }

void SetPrompts(Prompts* prompts) { g_prompts = prompts ? prompts : &g_realPrompts; }

int CorvaleMessage(wxWindow* owner, const wxString& text, long style)
{
    return GetPrompts().Message(owner, text, wxS("Corvale"), style);
}
