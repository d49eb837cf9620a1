// The main window's resize layout: every control sits at a fixed offset from
// the client area's edges; the list and the side panel grow with the window.
#include "velmora_dlg.h"

#include "dlg_layout.h"
#include "dlg_ids.h"

#include <algorithm>

#include "skin/my_list_ctrl.h"

#include <wx/statbox.h>

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

}  // namespace

void CVelmoraDlg::OnSize(wxSizeEvent& event)
{
    event.Skip();
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
    m_listFiles->SetSize(5, 92, W - sideWidth - 15, H - 284);
    ResizeFileListColumns();
    if (m_btnHelp)
        m_btnHelp->SetSize(W - 125, 26, 80, 35);
    // The promotion panel, once it exists, follows the placeholder here.
    m_panelPlaceholder->SetSize(W - sideWidth - 5, 92, sideWidth, H - 97);

    for (const Offset& o : kMoved) {
        if (wxWindow* control = FindControl(o.id))
            control->Move(o.fromRight < 0 ? o.x : W - o.fromRight, H - o.fromBottom);
    }
    if (m_btnPageSetup && m_btnBrowse) {
        // Above Browse, right-aligned with it, on the row of the first radio.
        const wxRect browse = m_btnBrowse->GetRect();
        m_btnPageSetup->Move(browse.GetRight() + 1 - m_btnPageSetup->GetSize().GetWidth(), H - 152);
    }
    Refresh(false);
}
