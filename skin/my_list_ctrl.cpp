#include "my_list_ctrl.h"

#include <algorithm>

#include <wx/bitmap.h>
#include <wx/dcmemory.h>
#include <wx/image.h>
#include <wx/renderer.h>
#include <wx/scrolwin.h>
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

int CMyListCtrl::GetColumnsClientWidth() const
{
    // The generic list keeps its rows, with their scroll bars, in a scrolled
    // child window below the header; the columns share that window's width.
    for (const wxWindow* child : GetChildren()) {
        if (dynamic_cast<const wxScrollHelper*>(child))
            return child->GetClientSize().GetWidth();
    }
    return GetClientSize().GetWidth();
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

// A new row comes unticked, which the header must reflect.
void CMyListCtrl::OnInsertItem(wxListEvent& event)
{
    UpdateHeaderCheck();
    event.Skip();
}

// Deleting the last row clears the header box; deleting one row while others
// remain leaves it until the next change of a row's state.
void CMyListCtrl::OnDeleteItem(wxListEvent& event)
{
    if (GetItemCount() == 1)
        SetHeaderChecked(false);
    event.Skip();
}

void CMyListCtrl::OnDeleteAllItems(wxListEvent& event)
{
    SetHeaderChecked(false);
    event.Skip();
}

void CMyListCtrl::OnColumnClick(wxListEvent& event)
{
    if (event.GetColumn() == COL_FILE)
        ClickHeaderCheck();
    event.Skip();
}
