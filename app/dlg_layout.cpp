// The main window's resize layout: every control sits at a fixed offset from
// the client area's edges; the list and the side panel grow with the window.
// The four image buttons on the banner keep their template places.
#include "velmora_dlg.h"

#include "dlg_ids.h"
#include "dlg_layout.h"
#include "dlg_template.h"
#include "tab_order.h"

#include <algorithm>

#include "skin/my_list_ctrl.h"

#include <wx/button.h>
#include <wx/gauge.h>
#include <wx/radiobut.h>
#include <wx/statbox.h>
#include <wx/stattext.h>
#include <wx/textctrl.h>

namespace {

struct Offset {
    int id;
    int fromRight;   // x = W - fromRight (or the left edge when fromRight < 0)
    int x;           // used when fromRight < 0
    int fromBottom;  // y = H - fromBottom
};

// Controls moved without resizing, by their distance from the right and the
// bottom edge of a client area at least kLayoutMinWidth x kLayoutMinHeight.
constexpr Offset kMoved[] = {
    {IDC_OUTPUT_LABEL, 778, 0, 150},
    {IDC_SAVE_IN_SOURCE, 687, 0, 150},
    {IDC_CUSTOMIZE, 687, 0, 125},
    {IDC_OUTPUT_FOLDER, 608, 0, 125},
    {IDC_BROWSE, 390, 0, 125},
    {IDC_CONVERT_SELECTED, 680, 0, 90},
    {IDC_CONVERT_ALL, 480, 0, 90},
    {IDC_HOME_LINK, -1, 17, 35},
    {IDC_PROGRESS, 680, 0, 85},
    {IDC_STOP, 390, 0, 85},
};

// Room between "Customize :" and the folder field.
constexpr int kRadioGap = 4;

#ifdef __WXGTK__
// Half the height of the trough GTK's themes draw for a progress bar.
constexpr int kGtkTroughHalfHeight = 3;
#endif

// A template control's size in pixels, in `window`'s dialog units.
wxSize TemplateSize(const wxWindow* window, int id)
{
    const TemplateControl* t = FindTemplateControl(id);
    return t ? DialogUnitsToPixels(window, t->x, t->y, t->cx, t->cy).GetSize() : wxSize();
}

void CentreVertically(wxWindow* control, int middle)
{
    if (control)
        control->Move(control->GetPosition().x, middle - control->GetSize().GetHeight() / 2);
}

}  // namespace

void CVelmoraDlg::OnSize(wxSizeEvent& event)
{
    event.Skip();
    const wxSize client = GetClientSize();
    ApplyLayout(client.GetWidth(), client.GetHeight());
}

void CVelmoraDlg::SetAdsPanel(wxWindow* panel)
{
    m_pAdsPanel = panel;
    const wxSize client = GetClientSize();
    ApplyLayout(client.GetWidth(), client.GetHeight());
}

void CVelmoraDlg::ApplyLayout(int cx, int cy)
{
    const int W = std::max(cx, kLayoutMinWidth);
    const int H = std::max(cy, kLayoutMinHeight);

    // The first size events come before the controls exist.
    if (!m_listFiles || !m_panelPlaceholder)
        return;

    const int sideWidth = m_panelPlaceholder->GetSize().GetWidth();
    const int listWidth = W - sideWidth - 15;
    // A list about to narrow gets its narrower columns first: columns wider
    // than the list would show a horizontal scroll bar for a moment, and GTK
    // can leave its place empty at the list's foot.
    const int narrowing = m_listFiles->GetSize().GetWidth() - listWidth;
    if (narrowing > 0)
        ResizeFileListColumns(m_listFiles->GetColumnsClientWidth() - narrowing);
    m_listFiles->SetSize(5, 92, listWidth, H - 284);
    ResizeFileListColumns();
    if (m_btnHelp)
        m_btnHelp->SetSize(W - 125, 26, 80, 35);
    if (m_pAdsPanel) {
        const int panelWidth = m_pAdsPanel->GetSize().GetWidth();
        m_pAdsPanel->SetSize(W - panelWidth - 5, 92, panelWidth, H - 97);
    }
    m_panelPlaceholder->SetSize(W - sideWidth - 5, 92, sideWidth, H - 97);

    for (const Offset& o : kMoved) {
        if (wxWindow* control = FindControl(o.id))
            control->Move(o.fromRight < 0 ? o.x : W - o.fromRight, H - o.fromBottom);
    }

    // "Customize :" may be wider here than the template gives it: the folder
    // field then starts after it and keeps its right edge next to Browse.
    if (m_radioCustomize && m_editOutputFolder) {
        const wxRect field(wxPoint(W - 608, H - 125), TemplateSize(this, IDC_OUTPUT_FOLDER));
        const int start = std::max(field.GetLeft(), m_radioCustomize->GetRect().GetRight() + 1 + kRadioGap);
        m_editOutputFolder->SetSize(start, field.y, field.GetRight() + 1 - start, field.height);
    }

    // The texts of a row line up: the native radio buttons are taller than
    // their template boxes and centre their texts. The first row is centred
    // on the first radio's template box, the second on the folder field.
    const int firstRow = H - 150 + TemplateSize(this, IDC_SAVE_IN_SOURCE).GetHeight() / 2;
    CentreVertically(m_radioSameFolder, firstRow);
    CentreVertically(m_labelOutput, firstRow);
    if (m_editOutputFolder)
        CentreVertically(m_radioCustomize, m_editOutputFolder->GetRect().GetTop() +
                                               m_editOutputFolder->GetSize().GetHeight() / 2);

#ifdef __WXGTK__
    // GTK draws a progress bar as a thin trough along the bottom of its box:
    // the box is raised so that the bar runs level with the middle of Stop.
    if (m_progress && m_btnStop) {
        const int stopMiddle = m_btnStop->GetPosition().y + m_btnStop->GetSize().GetHeight() / 2;
        const int bottom = stopMiddle + kGtkTroughHalfHeight;
        m_progress->Move(m_progress->GetPosition().x, bottom - m_progress->GetSize().GetHeight());
    }
#endif

    if (m_btnPageSetup && m_btnBrowse) {
        // Above Browse, right-aligned with it, on the row of the first radio.
        const wxRect browse = m_btnBrowse->GetRect();
        m_btnPageSetup->Move(browse.GetRight() + 1 - m_btnPageSetup->GetSize().GetWidth(), browse.y);
        CentreVertically(m_btnPageSetup, firstRow);
    }

    // Tab goes through the controls as they now stand.
    OrderTabsByPosition(*this);
    Refresh(false);
}
