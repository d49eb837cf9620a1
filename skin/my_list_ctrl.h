// The main window's file list: a report list with a check box on every row,
// grid lines, the four columns File, Size(KB), Path and Status, and a check
// box in the header of the first column that ticks or clears every row and
// shows whether every row is ticked. Throughout the window "selected" means
// ticked, not highlighted.
#pragma once

#include <array>
#include <vector>

#include <wx/listctrl.h>

class CMyListCtrl : public wxListCtrl {
public:
    enum Column { COL_FILE = 0, COL_SIZE = 1, COL_PATH = 2, COL_STATUS = 3 };

    CMyListCtrl(wxWindow* parent, wxWindowID id, const wxPoint& pos = wxDefaultPosition,
                const wxSize& size = wxDefaultSize);
    ~CMyListCtrl() override;

    // Column widths for a client width w: 4u, 3u, 4u and the rest, u = w / 13.
    static std::array<int, 4> ColumnWidths(int clientWidth);

    // Inserts the four columns at their widths for the current client width,
    // turns on the row check boxes and puts the check box into the header.
    void SetupColumns();
    // Sets the four widths again from the current client width.
    void ResizeColumns();
    // The width the columns share: the rows' visible width.
    int GetColumnsClientWidth() const;

    // Checks the header box exactly when there are rows and all are ticked.
    void UpdateHeaderCheck();
    // Ticks or clears every row.
    void SetAllChecks(bool check);
    bool IsHeaderChecked() const { return m_bHeaderChecked; }
    // What a click on the header check box does: ticks every row when the
    // box was clear, clears every row when it was checked.
    void ClickHeaderCheck();

    // A row's tip, shown while the pointer rests on the row (a failed book's
    // reason); empty for none. Tips move with their rows.
    void SetRowToolTip(long row, const wxString& tip);
    wxString GetRowToolTip(long row) const;
    // The window that shows the rows and receives the pointer over them.
    wxWindow* GetRowsWindow() const;

private:
    void SetHeaderChecked(bool checked);
    void MakeHeaderImages();

    void OnItemStateChanged(wxListEvent& event);
    void OnInsertItem(wxListEvent& event);
    void OnDeleteItem(wxListEvent& event);
    void OnDeleteAllItems(wxListEvent& event);
    void OnColumnClick(wxListEvent& event);
    void OnRowsMotion(wxMouseEvent& event);
    void ShowToolTipOf(long row);

    bool m_bHeaderChecked = false;
    bool m_bSettingAll = false;  // SetAllChecks recomputes the header once, at its end
    std::vector<wxString> m_rowTips;  // one a row, in row order
    long m_nTipRow = -1;              // the row whose tip is on show

    wxDECLARE_EVENT_TABLE();
};
