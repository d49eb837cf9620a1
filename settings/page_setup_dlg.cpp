#include "page_setup_dlg.h"

#include "res/prompts.h"
#include "settings/options.h"

#include <wx/button.h>
#include <wx/choice.h>
#include <wx/stattext.h>
#include <wx/textctrl.h>

#include <algorithm>
#include <limits>
#include <string>
#include <utility>

namespace {

// Size of the dialog's client area, in dialog units.
constexpr int kDialogWidthDu = 231;
constexpr int kDialogHeightDu = 82;

bool IsBlank(wchar_t c) { return c == L' ' || c == L'\t'; }

}  // namespace

int FindPageSize(int32_t width, int32_t height)
{
    int found = kCustomPageSizeIndex;
    for (int i = 0; i < static_cast<int>(kPageSizes.size()); ++i) {
        if (kPageSizes[i].width == width && kPageSizes[i].height == height)
            found = i;
    }
    return found;
}

bool ParseDecimalInteger(const wxString& text, int32_t& value)
{
    const std::wstring s = text.ToStdWstring();
    size_t i = 0;
    while (i < s.size() && IsBlank(s[i]))
        ++i;
    bool negative = false;
    if (i < s.size() && (s[i] == L'+' || s[i] == L'-')) {
        negative = s[i] == L'-';
        ++i;
    }
    // Accumulated as a negative number so that INT32_MIN fits too.
    int64_t result = 0;
    bool anyDigit = false;
    for (; i < s.size() && s[i] >= L'0' && s[i] <= L'9'; ++i) {
        anyDigit = true;
        result = result * 10 - (s[i] - L'0');
        if (result < std::numeric_limits<int32_t>::min())
            return false;
    }
    while (i < s.size() && IsBlank(s[i]))
        ++i;
    if (!anyDigit || i != s.size())
        return false;
    if (!negative) {
        result = -result;
        if (result > std::numeric_limits<int32_t>::max())
            return false;
    }
    value = static_cast<int32_t>(result);
    return true;
}

wxBEGIN_EVENT_TABLE(CPageSetupDlg, wxDialog)
    EVT_INIT_DIALOG(CPageSetupDlg::OnInitDialog)
    EVT_CHOICE(CPageSetupDlg::IDC_PAGE_SIZE, CPageSetupDlg::OnSelchangePageSize)
    EVT_BUTTON(CPageSetupDlg::IDC_OK, CPageSetupDlg::OnOK)
    EVT_BUTTON(CPageSetupDlg::IDC_CANCEL, CPageSetupDlg::OnCancel)
    EVT_CHAR_HOOK(CPageSetupDlg::OnCharHook)
wxEND_EVENT_TABLE()

CPageSetupDlg::CPageSetupDlg(wxWindow* parent)
    : wxDialog(parent, IDD, wxS("Page Setup"))
{
    CreateControls();
    SetClientSize(ConvertDialogToPixels(wxSize(kDialogWidthDu, kDialogHeightDu)));
    // Escape and the title bar's close box act as the Cancel button.
    SetEscapeId(IDC_CANCEL);
}

CPageSetupDlg::~CPageSetupDlg() = default;

void CPageSetupDlg::CreateControls()
{
    // Controls in tab order, placed at their rectangles in dialog units. A
    // control whose natural size is larger than its rectangle (another font
    // than the one the layout was made for) keeps its top-left corner and
    // grows; a label in front of a field keeps its right edge instead.
    const auto rect = [this](int x, int y, int cx, int cy) {
        return wxRect(ConvertDialogToPixels(wxPoint(x, y)), ConvertDialogToPixels(wxSize(cx, cy)));
    };
    const auto fit = [](wxWindow* control, wxRect r, bool keepRight) {
        const wxSize best = control->GetBestSize();
        if (best.x > r.width) {
            if (keepRight)
                r.x -= best.x - r.width;
            r.width = best.x;
        }
        r.height = std::max(r.height, best.y);
        control->SetSize(r);
    };
    const auto label = [&](const wxString& text, wxRect r, bool keepRight) {
        auto* control = new wxStaticText(this, wxID_STATIC, text, r.GetPosition(), r.GetSize(),
                                         (keepRight ? wxALIGN_RIGHT : wxALIGN_LEFT) | wxST_NO_AUTORESIZE);
        fit(control, r, keepRight);
    };
    const auto field = [&](wxWindowID id, wxRect r) {
        auto* control = new wxTextCtrl(this, id, wxString(), r.GetPosition(), r.GetSize());
        control->Bind(wxEVT_CHAR, &CPageSetupDlg::OnFieldChar, this);
        fit(control, r, false);
        return control;
    };
    const auto button = [&](wxWindowID id, const wxString& text, wxRect r) {
        auto* control = new wxButton(this, id, text, r.GetPosition(), r.GetSize());
        fit(control, r, false);
        return control;
    };

    m_btnCancel = button(IDC_CANCEL, wxS("Cancel"), rect(174, 56, 50, 14));
    label(wxS("Page Size:"), rect(19, 9, 34, 8), true);

    // The list's template height is that of its drop-down part; the closed
    // control keeps its natural height.
    const wxRect listRect = rect(57, 7, 144, 30);
    m_cbPageSize = new wxChoice(this, IDC_PAGE_SIZE, listRect.GetPosition(), wxSize(listRect.width, -1));
    for (const PageSize& size : kPageSizes)
        m_cbPageSize->Append(size.name);
    m_cbPageSize->Append(kCustomPageSizeName);

    m_edtPageWidth = field(IDC_PAGE_WIDTH, rect(56, 33, 40, 14));
    label(wxS("Page Width:"), rect(14, 34, 39, 8), true);
    m_edtPageHeight = field(IDC_PAGE_HEIGHT, rect(168, 33, 40, 14));
    label(wxS("Page Height:"), rect(125, 35, 41, 8), true);
    label(wxS("mm"), rect(97, 34, 12, 8), false);
    label(wxS("mm"), rect(209, 34, 12, 8), false);
    m_btnOK = button(IDC_OK, wxS("OK"), rect(118, 56, 50, 14));
}

void CPageSetupDlg::OnInitDialog(wxInitDialogEvent& event)
{
    m_nPageWidth = g_pOptions ? g_pOptions->m_nPageWidth.load() : COptions::kDefaultPageWidth;
    m_nPageHeight = g_pOptions ? g_pOptions->m_nPageHeight.load() : COptions::kDefaultPageHeight;
    m_cbPageSize->SetSelection(FindPageSize(m_nPageWidth, m_nPageHeight));
    PutFields();
    m_btnCancel->SetFocus();
    CentreOnParent();
    event.Skip();
}

void CPageSetupDlg::OnSelchangePageSize(wxCommandEvent& /*event*/)
{
    const int index = m_cbPageSize->GetSelection();
    if (index < 0 || index >= kCustomPageSizeIndex)
        return;  // "Custom" keeps whatever the fields hold
    m_nPageWidth = kPageSizes[index].width;
    m_nPageHeight = kPageSizes[index].height;
    PutFields();
}

void CPageSetupDlg::OnOK(wxCommandEvent& /*event*/)
{
    // A field that holds no integer has been reported; the dialog stays open
    // so the user can correct it.
    if (!ReadFields())
        return;

    if (!IsPageMeasurementInRange(m_nPageWidth) || !IsPageMeasurementInRange(m_nPageHeight)) {
        CorvaleMessage(this,
                       wxString::Format(wxS("The measurement must be between %smm and %smm."),
                                        wxString::Format(wxS("%d"), kMinPageMeasurement),
                                        wxString::Format(wxS("%d"), kMaxPageMeasurement)),
                       wxOK | wxICON_NONE);
        return;
    }

    if (g_pOptions) {
        g_pOptions->m_nPageWidth = m_nPageWidth;
        g_pOptions->m_nPageHeight = m_nPageHeight;
    }
    EndDialog(wxID_OK);
}

void CPageSetupDlg::OnCancel(wxCommandEvent& /*event*/)
{
    EndDialog(wxID_CANCEL);
}

void CPageSetupDlg::OnCharHook(wxKeyEvent& event)
{
    // Enter in a field or in the list acts as the OK button, so it checks and
    // stores the size; on a button it presses that button as usual.
    const int key = event.GetKeyCode();
    if ((key == WXK_RETURN || key == WXK_NUMPAD_ENTER) && !event.HasAnyModifiers()
        && !dynamic_cast<wxButton*>(event.GetEventObject())) {
        EmulateButtonClickIfPresent(IDC_OK);
        return;
    }
    event.Skip();
}

void CPageSetupDlg::OnFieldChar(wxKeyEvent& event)
{
    // The fields take digits only; editing and control keys pass, and pasted
    // text is checked on OK.
    const wxChar c = event.GetUnicodeKey();
    if (c == WXK_NONE || c < WXK_SPACE || c == WXK_DELETE || (c >= '0' && c <= '9'))
        event.Skip();
}

void CPageSetupDlg::PutFields()
{
    m_edtPageHeight->ChangeValue(wxString::Format(wxS("%d"), m_nPageHeight));
    m_edtPageWidth->ChangeValue(wxString::Format(wxS("%d"), m_nPageWidth));
}

bool CPageSetupDlg::ReadFields()
{
    const std::pair<wxTextCtrl*, int32_t*> fields[] = {
        {m_edtPageHeight, &m_nPageHeight},
        {m_edtPageWidth, &m_nPageWidth},
    };
    for (const auto& [control, member] : fields) {
        if (!ParseDecimalInteger(control->GetValue(), *member)) {
            CorvaleMessage(this, wxS("Enter an integer."), wxOK | wxICON_EXCLAMATION);
            control->SetFocus();
            control->SelectAll();
            return false;
        }
    }
    return true;
}
