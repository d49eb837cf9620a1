// The page setup dialog: the PDF page size, picked by name from the ISO A and
// B sizes or typed in whole millimetres, checked against fixed bounds and
// stored in the settings object on OK.
#pragma once

#include "settings/options.h"

#include <wx/dialog.h>

#include <array>
#include <cstdint>

class wxButton;
class wxChoice;
class wxTextCtrl;

// One named paper size; the width is the short side.
struct PageSize {
    const wchar_t* name;
    int32_t width;   // millimetres
    int32_t height;  // millimetres
};

// The named sizes in list order; the list ends with "Custom", which has no size.
inline constexpr std::array<PageSize, 17> kPageSizes{{
    {L"A0", 841, 1189}, {L"A1", 594, 841}, {L"A2", 420, 594}, {L"A3", 297, 420},
    {L"A4", 210, 297},  {L"A5", 147, 210}, {L"A6", 105, 147}, {L"A7", 74, 105},
    {L"A8", 52, 74},    {L"A9", 37, 52},   {L"A10", 26, 37},  {L"B0", 1000, 1414},
    {L"B1", 707, 1000}, {L"B2", 500, 707}, {L"B3", 353, 500}, {L"B4", 250, 353},
    {L"B5", 176, 250},
}};
inline constexpr int kCustomPageSizeIndex = static_cast<int>(kPageSizes.size());
inline constexpr wchar_t kCustomPageSizeName[] = L"Custom";

// Index of the named size with exactly this width and height (the last one
// when several match), or kCustomPageSizeIndex.
int FindPageSize(int32_t width, int32_t height);

// A decimal integer with optional surrounding blanks and sign, within the
// 32-bit range; false for anything else.
bool ParseDecimalInteger(const wxString& text, int32_t& value);

class CPageSetupDlg : public wxDialog {
public:
    enum { IDD = 129 };
    // Window ids of the dialog's controls.
    enum : wxWindowID {
        IDC_CANCEL = 2,
        IDC_OK = 1011,
        IDC_PAGE_SIZE = 1012,
        IDC_PAGE_WIDTH = 1017,
        IDC_PAGE_HEIGHT = 1018,
    };

    // Without a parent, a modal opening is owned by the application's top window.
    explicit CPageSetupDlg(wxWindow* parent = nullptr);
    ~CPageSetupDlg() override;

    CPageSetupDlg(const CPageSetupDlg&) = delete;
    CPageSetupDlg& operator=(const CPageSetupDlg&) = delete;

    // The controls, for the window's own use and for tests.
    wxChoice* GetPageSizeList() const { return m_cbPageSize; }
    wxTextCtrl* GetWidthField() const { return m_edtPageWidth; }
    wxTextCtrl* GetHeightField() const { return m_edtPageHeight; }
    wxButton* GetOKButton() const { return m_btnOK; }
    wxButton* GetCancelButton() const { return m_btnCancel; }

private:
    void CreateControls();

    // Every opening starts again from the settings object's page size.
    void OnInitDialog(wxInitDialogEvent& event);
    void OnSelchangePageSize(wxCommandEvent& event);
    void OnOK(wxCommandEvent& event);
    void OnCancel(wxCommandEvent& event);
    void OnCharHook(wxKeyEvent& event);
    void OnFieldChar(wxKeyEvent& event);

    // Puts the members into the fields.
    void PutFields();
    // Reads height, then width; stops at the first field that does not hold
    // an integer, reports it and returns false.
    bool ReadFields();

    wxChoice* m_cbPageSize = nullptr;
    wxTextCtrl* m_edtPageWidth = nullptr;
    wxTextCtrl* m_edtPageHeight = nullptr;
    wxButton* m_btnOK = nullptr;
    wxButton* m_btnCancel = nullptr;
    int32_t m_nPageHeight = 0;  // millimetres
    int32_t m_nPageWidth = 0;   // millimetres

    wxDECLARE_EVENT_TABLE();
};
