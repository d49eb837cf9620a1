// The main window: the file list, the output-folder choice, the convert and
// stop buttons with the progress bar, and the engine that runs the
// conversions. Its construction is the initialisation of the dialog; its
// destruction saves the settings.
#pragma once

#include "skin_button_type.h"

#include "engine/mobi_pdf.h"
#include "skin/stretch_copy.h"

#include <array>
#include <atomic>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include <wx/bitmap.h>
#include <wx/brush.h>
#include <wx/dialog.h>
#include <wx/timer.h>

class CMyListCtrl;
class COptions;
class wxArrayString;
class wxButton;
class wxGauge;
class wxHyperlinkCtrl;
class wxHyperlinkEvent;
class wxListEvent;
class wxMenu;
class wxPaintEvent;
class wxRegion;
class wxRadioButton;
class wxStaticBox;
class wxStaticText;
class wxTextCtrl;
class CPageSetupDlg;

class CVelmoraDlg : public wxDialog {
public:
    // `engine` replaces the MOBI-to-PDF engine (tests); null makes the real one.
    explicit CVelmoraDlg(wxWindow* parent = nullptr, std::unique_ptr<MobiPdfEng> engine = nullptr);
    ~CVelmoraDlg() override;

    // Field 1017 <-> the output folder member. Reading back refuses a text
    // longer than 260 characters.
    bool TransferDataToWindow() override;
    bool TransferDataFromWindow() override;

    // --- file list (file_commands.cpp) -------------------------------------
    // Appends a row for the file unless it is already listed.
    void AddSourceFile(const std::wstring& fullPath, const std::wstring& fileName);
    // Adds every file directly inside `folder` whose name ends in .mobi (any
    // case); folders are skipped.
    void AddMobiFilesInFolder(const std::wstring& folder);
    // Files and folders handed to the window: a folder as Add Folder adds
    // it, a .mobi file as Add File(s) does. Returns the paths left out
    // (neither a folder nor a .mobi file).
    std::vector<std::wstring> AddPaths(const std::vector<std::wstring>& paths);
    // Files and folders dropped on the list; false when nothing was taken.
    bool AddDroppedPaths(const wxArrayString& paths);

    // --- run control (run_control.cpp) ---------------------------------------
    static int32_t EngineEventThunk(intptr_t userData, int32_t event, int32_t index, int32_t code);
    // Handles one engine event on the window's thread; 1 means "replace".
    int32_t OnEngineEvent(int32_t event, int32_t index, int32_t code);
    void SetRunningLook(bool running);
    void InvalidateConvertArea();
    void ClearStatusColumn();
    // Opens the PDF of a row whose Status is "Finished" with the desktop's
    // viewer; other rows are left alone.
    void OpenFinishedRow(int row);

    // --- layout (dlg_layout.cpp) ---------------------------------------------
    // Places the controls for a client area of cx by cy pixels (laid out as
    // at least 800 x 600) and repaints the whole window.
    void ApplyLayout(int cx, int cy);
    // The window that covers the panel placeholder (the promotion panel);
    // the layout keeps it on the placeholder's place. Null: none yet.
    void SetAdsPanel(wxWindow* panel);
    wxWindow* GetAdsPanel() const { return m_pAdsPanel; }

    // --- painting (dlg_paint.cpp) --------------------------------------------
    // Paints the client area from the skin bitmaps, around the controls that
    // cover their whole rectangles; refreshes m_rcList, m_rcSide and
    // m_rcUnderList.
    void PaintBackground(wxDC& dc);
    const wxRect& GetListRect() const { return m_rcList; }
    const wxRect& GetSideRect() const { return m_rcSide; }
    const wxRect& GetUnderListRect() const { return m_rcUnderList; }
    const wxBitmap& GetBackdropBitmap() const { return m_bmpBackdrop; }

    // --- read-only views for tests -------------------------------------------
    CMyListCtrl* GetFileList() const { return m_listFiles; }
    const MobiPdfEng& GetEngine() const { return *m_pEngine; }
    bool IsConverting() const { return m_bConverting; }
    bool IsRunningLook() const { return m_bRunningLook; }
    bool IsClosePending() const { return m_bClosePending; }
    const wxString& GetOutputFolder() const { return m_strOutputFolder; }
    const std::vector<int32_t>& GetRowMap() const { return m_rowMap; }
    CPageSetupDlg* GetPageSetupDlg() const { return m_pPageSetupDlg; }
    // The context menu of the window's background.
    std::unique_ptr<wxMenu> MakeContextMenu() const;

private:
    void InitMainWindow();
    void SetupAdsPanel();   // the promotion panel over the placeholder  // the initialisation, in the template's order
    // The window's own control with this id (not one of a child dialog's).
    wxWindow* FindControl(int id) const;
    void BindControls();
    void SetupFileListColumns();
    void ResizeFileListColumns();
    // The columns for a list whose rows are clientWidth pixels wide.
    void ResizeFileListColumns(int clientWidth);
    void SetupPageSetup();

    // dlg_skin_buttons.cpp
    void SetupSkinButtons();

    // dlg_paint.cpp
    void LoadSkinBitmaps();
    void ApplyControlColours();
    // Removes the control's rectangle from `clip` when the control shows.
    void ClipOutControl(int id, wxRegion& clip) const;
    void OnPaint(wxPaintEvent& event);

    // velmora_dlg.cpp
    void OnOK(wxCommandEvent& event);
    void OnCancel(wxCommandEvent& event);
    void OnClose(wxCloseEvent& event);
    void OnCloseTimer(wxTimerEvent& event);
    void OnContextMenu(wxContextMenuEvent& event);
    void OnAbout(wxCommandEvent& event);
    void OnPageSetup(wxCommandEvent& event);
    void OnOpenHomePage(wxCommandEvent& event);
    void OnHomeLink(wxHyperlinkEvent& event);
    void FinishClose();
    void DetachFromWorker();

    // file_commands.cpp
    void SetupFileDropTarget();
    void OnAddFiles(wxCommandEvent& event);
    void OnAddFolder(wxCommandEvent& event);
    void OnRemoveSelected(wxCommandEvent& event);
    void OnRemoveAll(wxCommandEvent& event);

    // run_control.cpp
    void OnConvertAll(wxCommandEvent& event);
    void OnConvertSelected(wxCommandEvent& event);
    void OnStop(wxCommandEvent& event);
    void OnBrowseOutputFolder(wxCommandEvent& event);
    void OnSaveInSourceFolder(wxCommandEvent& event);
    void OnCustomizeFolder(wxCommandEvent& event);
    bool OutputFolderExists() const;
    void StartRun();
    void RefuseRun(const wxString& message);
    bool BeginRunChecks();  // what both Convert commands check first; false: no run
    void ClearQueue();      // empties the engine's queue and the row map
    void OnJobEvent(int32_t index, int32_t code);
    void OnFileActivated(wxListEvent& event);
    // The row map after list row `row` was deleted: its job has no row, and
    // the rows below it moved up.
    void ForgetListRow(int row);
    void OnRunEvent(int32_t code);
    void EndRunLook();
    void SetProgress(int position);

    // dlg_layout.cpp
    void OnSize(wxSizeEvent& event);

    // controls (owned by the window)
    CMyListCtrl* m_listFiles = nullptr;
    CSkinButtonType* m_btnAddFiles = nullptr;
    CSkinButtonType* m_btnAddFolder = nullptr;
    CSkinButtonType* m_btnRemoveAll = nullptr;
    CSkinButtonType* m_btnRemoveSelected = nullptr;
    CSkinButtonType* m_btnHelp = nullptr;
    CSkinButtonType* m_btnConvertAll = nullptr;
    CSkinButtonType* m_btnConvertSelected = nullptr;
    CSkinButtonType* m_btnStop = nullptr;
    wxButton* m_btnBrowse = nullptr;
    wxRadioButton* m_radioSameFolder = nullptr;
    wxRadioButton* m_radioCustomize = nullptr;
    wxGauge* m_progress = nullptr;
    wxHyperlinkCtrl* m_linkHome = nullptr;
    wxStaticBox* m_panelPlaceholder = nullptr;
    wxStaticText* m_labelOutput = nullptr;
    wxTextCtrl* m_editOutputFolder = nullptr;
    wxButton* m_btnPageSetup = nullptr;         // opens the page setup dialog
    CPageSetupDlg* m_pPageSetupDlg = nullptr;  // a child window, destroyed with the window
    wxWindow* m_pAdsPanel = nullptr;            // covers the placeholder once it exists

    // The skin the window is painted from, loaded once, and the sizes read
    // from it.
    wxBitmap m_bmpBackdrop;  // 218: banner above body, behind the top image buttons
    wxBitmap m_bmpPanel;     // 141: options panel under the list
    wxBitmap m_bmpBody;      // 192: body gradient, the frame of the side panel
    wxBitmap m_bmpBanner;    // 191: the banner
    wxBitmap m_bmpHStrip;    // 193: strips under the banner and along the bottom
    wxBitmap m_bmpVStrip;    // 194: strip left of the list
    wxSize m_szBackdrop;
    wxSize m_szPanel;
    wxSize m_szBody;
    wxSize m_szBanner;
    wxBrush m_brPanel;  // the light panel colour given to controls on the panel
    // Client rectangles of the last painting: the list, the side panel's
    // placeholder, and the options panel between them.
    wxRect m_rcList;
    wxRect m_rcSide;
    wxRect m_rcUnderList;
    std::array<CStretchCopy, 6> m_stretch;  // the painted pieces, scaled

    // Set while a conversion run is going on.
    std::atomic<bool> m_bConverting{false};
    bool m_bRunningLook = false;
    std::vector<int32_t> m_rowMap;  // list row of each queued job of the run
    wxString m_strOutputFolder;     // text of field 1017 as last read back
    std::unique_ptr<COptions> m_pOptions;

    // Closing while the worker still ends its run waits for it.
    bool m_bClosePending = false;
    wxTimer m_closeTimer;

    // The last file's "Finished" holds the bar at 100 for a moment on the
    // worker before the idle look; set by OnJobEvent, taken by the thunk.
    std::atomic<bool> m_bIdleAfterPause{false};
    // Set when the window goes away under a worker: events are then answered
    // without touching the window.
    std::atomic<bool> m_bDetached{false};

    std::unique_ptr<MobiPdfEng> m_pEngine;

    wxDECLARE_EVENT_TABLE();
};
