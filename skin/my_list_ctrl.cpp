#include "my_list_ctrl.h"

#include <algorithm>

#include <wx/bitmap.h>
#include <wx/dcmemory.h>
#include <wx/image.h>
#include <wx/renderer.h>
#include <wx/vector.h>

namespace {

// Images of the header's check box in the list's small images.
enum { IMAGE_UNCHECKED = 0, IMAGE_CHECKED = 1 };

}  // namespace

wxBEGIN_EVENT_TABLE(CMyListCtrl, wxListCtrl)
    EVT_LIST_ITEM_CHECKED(wxID_ANY, CMyListCtrl::OnItemStateChanged)
    EVT_LIST_ITEM_UNCHECKED(wxID_ANY, CMyListCtrl::OnItemStateChanged)
    EVT_LIST_ITEM_SELECTED(wxID_ANY, CMyListCtrl::OnItemStateChanged)
    EVT_LIST_ITEM_DESELECTED(wxID_ANY, CMyListCtrl::OnItemStateChanged)
    EVT_LIST_ITEM_FOCUSED(wxID_ANY, CMyListCtrl::OnItemStateChanged)
    EVT_LIST_INSERT_ITEM(wxID_ANY, CMyListCtrl::OnInsertItem)
    EVT_LIST_DELETE_ITEM(wxID_ANY, CMyListCtrl::OnDeleteItem)
    EVT_LIST_DELETE_ALL_ITEMS(wxID_ANY, CMyListCtrl::OnDeleteAllItems)
    EVT_LIST_COL_CLICK(wxID_ANY, CMyListCtrl::OnColumnClick)
wxEND_EVENT_TABLE()

CMyListCtrl::CMyListCtrl(wxWindow* parent, wxWindowID id, const wxPoint& pos, const wxSize& size)
    : wxListCtrl(parent, id, pos, size, wxLC_REPORT | wxLC_HRULES | wxLC_VRULES | wxBORDER_SUNKEN)
{
}

CMyListCtrl::~CMyListCtrl() = default;

std::array<int, 4> CMyListCtrl::ColumnWidths(int clientWidth)
{
    const int u = clientWidth / 13;
    return {4 * u, 3 * u, 4 * u, clientWidth - 11 * u};
}

wxWindow* CMyListCtrl::GetRowsWindow() const
{
#if defined(__WXMSW__) || defined(__WXQT__)
    return const_cast<CMyListCtrl*>(this);
#else
    // The generic list keeps its rows, with their scroll bars, in a child
    // window below the header window; neither tells its kind, so the rows
    // are the lower of the two.
    wxWindow* rows = const_cast<CMyListCtrl*>(this);
    for (wxWindow* child : GetChildren()) {
        if (rows == this || child->GetPosition().y > rows->GetPosition().y)
            rows = child;
    }
    return rows;
#endif
}

int CMyListCtrl::GetColumnsClientWidth() const
{
    // The columns share the rows' width.
    return GetRowsWindow()->GetClientSize().GetWidth();
}

void CMyListCtrl::SetupColumns()
{
    const std::array<int, 4> widths = ColumnWidths(GetColumnsClientWidth());
    InsertColumn(COL_FILE, wxS("File"), wxLIST_FORMAT_LEFT, widths[0]);
    InsertColumn(COL_SIZE, wxS("Size(KB)"), wxLIST_FORMAT_RIGHT, widths[1]);
    InsertColumn(COL_PATH, wxS("Path"), wxLIST_FORMAT_LEFT, widths[2]);
    InsertColumn(COL_STATUS, wxS("Status"), wxLIST_FORMAT_LEFT, widths[3]);
    EnableCheckBoxes(true);
    MakeHeaderImages();
    SetHeaderChecked(false);
    GetRowsWindow()->Bind(wxEVT_MOTION, &CMyListCtrl::OnRowsMotion, this);
}

void CMyListCtrl::ResizeColumns()
{
    if (GetColumnCount() < 4)
        return;
    const std::array<int, 4> widths = ColumnWidths(GetColumnsClientWidth());
    for (int column = 0; column < 4; ++column)
        SetColumnWidth(column, widths[static_cast<size_t>(column)]);
}

// This list has no native header check box here: the header of the first
// column shows a picture of one, drawn by the platform's renderer.
void CMyListCtrl::MakeHeaderImages()
{
    wxRendererNative& renderer = wxRendererNative::Get();
    const wxSize size = renderer.GetCheckBoxSize(this);
    wxVector<wxBitmapBundle> images;
    for (int flags : {0, int(wxCONTROL_CHECKED)}) {
        wxImage blank(size);
        blank.InitAlpha();
        unsigned char* alpha = blank.GetAlpha();
        std::fill(alpha, alpha + size.GetWidth() * size.GetHeight(), 0);
        wxBitmap bitmap(blank, 32);
        {
            wxMemoryDC dc(bitmap);
            renderer.DrawCheckBox(this, dc, wxRect(size), flags);
        }
        images.push_back(wxBitmapBundle(bitmap));
    }
    SetSmallImages(images);
}

void CMyListCtrl::SetHeaderChecked(bool checked)
{
    m_bHeaderChecked = checked;
    if (GetColumnCount() < 1)
        return;
    wxListItem column;
    column.SetMask(wxLIST_MASK_IMAGE);
    column.SetImage(checked ? IMAGE_CHECKED : IMAGE_UNCHECKED);
    SetColumn(COL_FILE, column);
}

void CMyListCtrl::UpdateHeaderCheck()
{
    bool all = GetItemCount() > 0;
    for (int row = 0; all && row < GetItemCount(); ++row) {
        if (!IsItemChecked(row))
            all = false;
    }
    if (all != m_bHeaderChecked)
        SetHeaderChecked(all);
}

void CMyListCtrl::SetAllChecks(bool check)
{
    m_bSettingAll = true;
    for (int row = 0; row < GetItemCount(); ++row) {
        if (IsItemChecked(row) != check)
            CheckItem(row, check);
    }
    m_bSettingAll = false;
    UpdateHeaderCheck();
}

void CMyListCtrl::ClickHeaderCheck() { SetAllChecks(!m_bHeaderChecked); }

void CMyListCtrl::OnItemStateChanged(wxListEvent& event)
{
    if (!m_bSettingAll)
        UpdateHeaderCheck();
    event.Skip();
}

// A new row comes unticked, which the header must reflect, and without a tip.
void CMyListCtrl::OnInsertItem(wxListEvent& event)
{
    const size_t at = std::min(static_cast<size_t>(std::max(event.GetIndex(), 0L)), m_rowTips.size());
    m_rowTips.insert(m_rowTips.begin() + static_cast<std::ptrdiff_t>(at), wxString());
    ShowToolTipOf(-1);
    UpdateHeaderCheck();
    event.Skip();
}

// Deleting the last row clears the header box; deleting one row while others
// remain leaves it until the next change of a row's state.
void CMyListCtrl::OnDeleteItem(wxListEvent& event)
{
    if (event.GetIndex() >= 0 && static_cast<size_t>(event.GetIndex()) < m_rowTips.size())
        m_rowTips.erase(m_rowTips.begin() + event.GetIndex());
    ShowToolTipOf(-1);
    if (GetItemCount() == 1)
        SetHeaderChecked(false);
    event.Skip();
}

void CMyListCtrl::OnDeleteAllItems(wxListEvent& event)
{
    m_rowTips.clear();
    ShowToolTipOf(-1);
    SetHeaderChecked(false);
    event.Skip();
}

void CMyListCtrl::SetRowToolTip(long row, const wxString& tip)
{
    if (row < 0 || static_cast<size_t>(row) >= m_rowTips.size())
        return;
    m_rowTips[static_cast<size_t>(row)] = tip;
    if (row == m_nTipRow) {
        m_nTipRow = -1;  // shown again with its new text
        ShowToolTipOf(row);
    }
}

wxString CMyListCtrl::GetRowToolTip(long row) const
{
    return row >= 0 && static_cast<size_t>(row) < m_rowTips.size() ? m_rowTips[static_cast<size_t>(row)] : wxString();
}

void CMyListCtrl::OnRowsMotion(wxMouseEvent& event)
{
    // The list finds rows from positions in the rows' own window.
    int flags = 0;
    const long row = HitTest(event.GetPosition(), flags);
    ShowToolTipOf((flags & wxLIST_HITTEST_ONITEM) ? row : -1);
    event.Skip();
}

// Changes the tip only when the pointer moves onto another row, so a tip on
// show is not started again at every move.
void CMyListCtrl::ShowToolTipOf(long row)
{
    if (row == m_nTipRow)
        return;
    m_nTipRow = row;
    wxWindow* rows = GetRowsWindow();
    const wxString tip = GetRowToolTip(row);
    if (tip.empty())
        rows->UnsetToolTip();
    else
        rows->SetToolTip(tip);
}

void CMyListCtrl::OnColumnClick(wxListEvent& event)
{
    if (event.GetColumn() == COL_FILE)
        ClickHeaderCheck();
    event.Skip();
}
