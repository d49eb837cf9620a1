#include "dlg_template.h"

#include "dlg_ids.h"
#include "skin_button_type.h"
#include "skin/my_list_ctrl.h"

#include <algorithm>

#include <wx/button.h>
#include <wx/gauge.h>
#include <wx/hyperlink.h>
#include <wx/radiobut.h>
#include <wx/statbox.h>
#include <wx/stattext.h>
#include <wx/textctrl.h>

namespace {

using K = TemplateKind;

// The leading blanks of some button texts belong to the texts.
constexpr TemplateControl kMainTemplate[] = {
    {IDC_ADD_FILES, K::ImageButton, L" Add File(s)", 4, 14, 103, 26, false},
    {IDC_ADD_FOLDER, K::ImageButton, L"Add Folder", 110, 14, 103, 26, false},
    {IDC_REMOVE_SELECTED, K::ImageButton, L" Remove Selected", 216, 14, 103, 26, false},
    {IDC_REMOVE_ALL, K::ImageButton, L" Remove All", 324, 14, 103, 26, false},
    {IDC_HELP, K::ImageButton, L"Help", 450, 17, 24, 19, false},
    {IDC_FILE_LIST, K::ListView, L"", 5, 57, 345, 173, false},
    {IDC_OUTPUT_LABEL, K::Label, L"Output Folder :", 45, 256, 52, 8, false},
    {IDC_SAVE_IN_SOURCE, K::RadioButton, L"Save target file(s) in source folder.", 104, 256, 139, 10, false},
    {IDC_CUSTOMIZE, K::RadioButton, L"Customize :", 104, 270, 52, 10, false},
    {IDC_OUTPUT_FOLDER, K::Edit, L"", 157, 269, 139, 14, false},
    {IDC_BROWSE, K::PushButton, L"Browse...", 299, 269, 46, 14, false},
    {IDC_CONVERT_SELECTED, K::ImageButton, L"Convert Selected", 101, 291, 120, 26, false},
    {IDC_CONVERT_ALL, K::ImageButton, L" Convert All", 233, 291, 96, 26, false},
    {IDC_PROGRESS, K::ProgressBar, L"", 101, 295, 189, 14, true},
    {IDC_STOP, K::ImageButton, L" Stop", 300, 295, 53, 19, true},
    {IDC_HOME_LINK, K::Hyperlink, L"", 10, 326, 84, 14, false},
    {IDC_PANEL_PLACEHOLDER, K::Frame, L"", 355, 57, 163, 283, false},
};

wxWindow* CreateControl(wxWindow* parent, const TemplateControl& c)
{
    const wxRect r = DialogUnitsToPixels(parent, c.x, c.y, c.cx, c.cy);
    const wxPoint pos = r.GetPosition();
    const wxSize size = r.GetSize();
    const wxString text(c.text);
    switch (c.kind) {
    case K::ImageButton:
        return new CSkinButtonType(parent, c.id, text, pos, size);
    case K::PushButton:
        return new wxButton(parent, c.id, text, pos, size);
    case K::RadioButton: {
        // The two output choices form one group; the first one starts it.
        auto* radio = new wxRadioButton(parent, c.id, text, pos, size, c.id == IDC_SAVE_IN_SOURCE ? wxRB_GROUP : 0);
        // A native radio button cannot be drawn smaller than its own minimum:
        // where the template gives less, it grows to the right and about its
        // middle.
        const wxSize best = radio->GetBestSize();
        if (best.GetWidth() > size.GetWidth() || best.GetHeight() > size.GetHeight()) {
            const int height = std::max(best.GetHeight(), size.GetHeight());
            radio->SetSize(pos.x, pos.y - (height - size.GetHeight()) / 2, std::max(best.GetWidth(), size.GetWidth()),
                           height);
        }
        return radio;
    }
    case K::ListView:
        return new CMyListCtrl(parent, c.id, pos, size);
    case K::Label:
        return new wxStaticText(parent, c.id, text, pos, size);
    case K::Edit:
        return new wxTextCtrl(parent, c.id, text, pos, size);
    case K::ProgressBar:
        return new wxGauge(parent, c.id, 100, pos, size, wxGA_HORIZONTAL | wxGA_SMOOTH);
    case K::Hyperlink:
        // Text and target are set by the window's initialisation.
        return new wxHyperlinkCtrl(parent, c.id, text, wxS("about:blank"), pos, size,
                                   wxHL_ALIGN_LEFT | wxNO_BORDER);
    case K::Frame:
        return new wxStaticBox(parent, c.id, text, pos, size);
    }
    return nullptr;
}

}  // namespace

std::span<const TemplateControl> MainDialogTemplate() { return kMainTemplate; }

const TemplateControl* FindTemplateControl(int id)
{
    for (const TemplateControl& c : kMainTemplate) {
        if (c.id == id)
            return &c;
    }
    return nullptr;
}

wxRect DialogUnitsToPixels(const wxWindow* window, int x, int y, int cx, int cy)
{
    return wxRect(window->ConvertDialogToPixels(wxPoint(x, y)), window->ConvertDialogToPixels(wxSize(cx, cy)));
}

void CreateTemplateControls(wxWindow* parent)
{
    for (const TemplateControl& c : kMainTemplate) {
        wxWindow* control = CreateControl(parent, c);
        if (control && c.hidden)
            control->Hide();
    }
}
