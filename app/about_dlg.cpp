#include "about_dlg.h"

#include "dlg_font.h"
#include "dlg_ids.h"
#include "dlg_template.h"

#include "corvale_version.h"

#include <wx/button.h>
#include <wx/statbmp.h>
#include <wx/stattext.h>

namespace {

constexpr wchar_t kProductName[] = L"Corvale";
constexpr wchar_t kProductVersion[] = L"" CORVALE_VERSION;

}  // namespace

CAboutDlg::CAboutDlg(wxWindow* parent, const wxIconBundle& icons)
    : m_strVersion(GetVersionText())
{
    Create(parent, wxID_ANY, wxS("About.."), wxDefaultPosition, wxDefaultSize, wxDEFAULT_DIALOG_STYLE);
    SetTemplateFont(*this);

    const auto at = [this](int x, int y, int cx, int cy) { return DialogUnitsToPixels(this, x, y, cx, cy); };

    const wxRect iconRect = at(14, 14, 21, 20);
    const wxIcon icon = icons.GetIcon(wxSize(32, 32), wxIconBundle::FALLBACK_NEAREST_LARGER);
    new wxStaticBitmap(this, IDC_ABOUT_ICON, icon.IsOk() ? wxBitmapBundle(icon) : wxBitmapBundle(),
                       iconRect.GetPosition(), wxDefaultSize);

    const wxRect textRect = at(42, 14, 150, 8);
    new wxStaticText(this, IDC_ABOUT_TEXT, m_strVersion, textRect.GetPosition(), textRect.GetSize());
    const wxRect notice1 = at(42, 26, 150, 8);
    new wxStaticText(this, wxID_STATIC, wxS("Converts MOBI e-books into PDF documents."), notice1.GetPosition(),
                     notice1.GetSize());
    const wxRect notice2 = at(42, 38, 150, 8);
    new wxStaticText(this, wxID_STATIC, wxS("Copyright (C) Lumeno. All rights reserved."), notice2.GetPosition(),
                     notice2.GetSize());

    const wxRect okRect = at(146, 53, 50, 14);
    auto* ok = new wxButton(this, wxID_OK, wxS("OK"), okRect.GetPosition(), okRect.GetSize());
    ok->SetDefault();
    SetClientSize(ConvertDialogToPixels(wxSize(203, 74)));
    CentreOnParent();
}

wxString CAboutDlg::GetVersionText() { return wxString::Format(wxS("%s %s"), kProductName, kProductVersion); }
