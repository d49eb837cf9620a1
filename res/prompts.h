// Every message box, open-file dialog and folder picker of the program goes
// through one seam, so tests can answer them. The program uses the real
// dialogs; a test installs its own Prompts with SetPrompts.
#pragma once

#include <wx/arrstr.h>
#include <wx/string.h>

class wxWindow;

class Prompts {
public:
    virtual ~Prompts() = default;
    // `style` is wxOK or wxYES_NO, optionally with an icon flag; the result is
    // wxOK, wxYES or wxNO.
    virtual int Message(wxWindow* owner, const wxString& text, const wxString& caption, long style) = 0;
    // Multi-select open-file dialog; false when cancelled.
    virtual bool OpenFiles(wxWindow* owner, const wxString& title, const wxString& wildcard,
                           wxArrayString& paths) = 0;
    // Folder picker; false when cancelled.
    virtual bool PickFolder(wxWindow* owner, const wxString& title, wxString& path) = 0;
};

// The prompts in use: the real dialogs unless a test installed others.
Prompts& GetPrompts();
// Installs `prompts` (not owned); nullptr restores the real dialogs.
void SetPrompts(Prompts* prompts);

// A message box with the program's caption "Corvale".
int CorvaleMessage(wxWindow* owner, const wxString& text, long style = wxOK);
