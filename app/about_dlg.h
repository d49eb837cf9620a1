// The About box (dialog template 100): the application icon, the product
// name with its version, and two notice lines.
#pragma once

#include <wx/dialog.h>
#include <wx/iconbndl.h>

class CAboutDlg : public wxDialog {
public:
    CAboutDlg(wxWindow* parent, const wxIconBundle& icons);

    // "Corvale 1.0"
    static wxString GetVersionText();

private:
    wxString m_strVersion;
};
