#include "velmora_dlg.h"

#include "about_dlg.h"
#include "dlg_font.h"
#include "dlg_ids.h"
#include "dlg_layout.h"
#include "dlg_skin.h"
#include "dlg_template.h"
#include "help_page.h"
#include "res/prompts.h"
#include "settings/settings_store.h"
#include "skin/my_list_ctrl.h"

#include "promo/ads_dialog.h"
#include "res/wx_resources.h"
#include "settings/options.h"
#include "settings/page_setup_dlg.h"

#include <wx/button.h>
#include <wx/gauge.h>
#include <wx/hyperlink.h>
#include <wx/menu.h>
#include <wx/radiobut.h>
#include <wx/statbox.h>
#include <wx/stattext.h>
#include <wx/textctrl.h>

namespace {

constexpr int kCloseTimerId = wxID_HIGHEST + 1;
constexpr size_t kOutputFolderLimit = 260;

}  // namespace

wxBEGIN_EVENT_TABLE(CVelmoraDlg, wxDialog)
    EVT_CONTEXT_MENU(CVelmoraDlg::OnContextMenu)
    EVT_MENU(IDM_ABOUTBOX, CVelmoraDlg::OnAbout)
    EVT_MENU(IDM_PAGE_SETUP, CVelmoraDlg::OnPageSetup)
    EVT_SIZE(CVelmoraDlg::OnSize)
    EVT_PAINT(CVelmoraDlg::OnPaint)
    EVT_BUTTON(IDC_STOP, CVelmoraDlg::OnStop)
    EVT_BUTTON(IDC_CONVERT_ALL, CVelmoraDlg::OnConvertAll)
    EVT_BUTTON(IDC_CONVERT_SELECTED, CVelmoraDlg::OnConvertSelected)
    EVT_BUTTON(IDC_ADD_FILES, CVelmoraDlg::OnAddFiles)
    EVT_BUTTON(IDC_ADD_FOLDER, CVelmoraDlg::OnAddFolder)
    EVT_BUTTON(IDC_REMOVE_SELECTED, CVelmoraDlg::OnRemoveSelected)
    EVT_BUTTON(IDC_REMOVE_ALL, CVelmoraDlg::OnRemoveAll)
    EVT_BUTTON(IDC_BROWSE, CVelmoraDlg::OnBrowseOutputFolder)
    EVT_RADIOBUTTON(IDC_SAVE_IN_SOURCE, CVelmoraDlg::OnSaveInSourceFolder)
    EVT_RADIOBUTTON(IDC_CUSTOMIZE, CVelmoraDlg::OnCustomizeFolder)
    EVT_BUTTON(IDC_HELP, CVelmoraDlg::OnOpenHomePage)
    EVT_HYPERLINK(IDC_HOME_LINK, CVelmoraDlg::OnHomeLink)
    EVT_BUTTON(IDC_PAGE_SETUP, CVelmoraDlg::OnPageSetup)
    EVT_BUTTON(wxID_OK, CVelmoraDlg::OnOK)
    EVT_BUTTON(wxID_CANCEL, CVelmoraDlg::OnCancel)
    EVT_LIST_ITEM_ACTIVATED(IDC_FILE_LIST, CVelmoraDlg::OnFileActivated)
    EVT_CLOSE(CVelmoraDlg::OnClose)
    EVT_TIMER(kCloseTimerId, CVelmoraDlg::OnCloseTimer)
wxEND_EVENT_TABLE()

CVelmoraDlg::CVelmoraDlg(wxWindow* parent, std::unique_ptr<MobiPdfEng> engine)
    : m_brPanel(SkinPanelColour()),
      m_closeTimer(this, kCloseTimerId),
      m_pEngine(engine ? std::move(engine) : std::make_unique<Engine<MobiPdfEng>>())
{
    // The paint handler paints the whole background from the skin.
    SetBackgroundStyle(wxBG_STYLE_PAINT);
    Create(parent, wxID_ANY, wxString(), wxDefaultPosition, wxDefaultSize,
           wxCAPTION | wxSYSTEM_MENU | wxRESIZE_BORDER | wxMINIMIZE_BOX | wxMAXIMIZE_BOX | wxCLOSE_BOX);
    // Dialog units are measured with the template's font, so it is set
    // before the controls exist; they inherit it.
    SetTemplateFont(*this);
    // Enter and Escape never close the window.
    SetEscapeId(wxID_NONE);
    SetAffirmativeId(wxID_NONE);
    SetClientSize(ConvertDialogToPixels(wxSize(kMainTemplateWidth, kMainTemplateHeight)));
    SetMinSize(wxSize(kMinWindowWidth, kMinWindowHeight));

    CreateTemplateControls(this);
    BindControls();
    InitMainWindow();
}

wxWindow* CVelmoraDlg::FindControl(int id) const
{
    for (wxWindow* child : GetChildren()) {
        if (child->GetId() == id && !child->IsTopLevel())
            return child;
    }
    return nullptr;
}

void CVelmoraDlg::BindControls()
{
    m_listFiles = static_cast<CMyListCtrl*>(FindControl(IDC_FILE_LIST));
    m_btnAddFiles = static_cast<CSkinButtonType*>(FindControl(IDC_ADD_FILES));
    m_btnAddFolder = static_cast<CSkinButtonType*>(FindControl(IDC_ADD_FOLDER));
    m_btnHelp = static_cast<CSkinButtonType*>(FindControl(IDC_HELP));
    m_btnConvertSelected = static_cast<CSkinButtonType*>(FindControl(IDC_CONVERT_SELECTED));
    m_btnRemoveAll = static_cast<CSkinButtonType*>(FindControl(IDC_REMOVE_ALL));
    m_btnRemoveSelected = static_cast<CSkinButtonType*>(FindControl(IDC_REMOVE_SELECTED));
    m_btnConvertAll = static_cast<CSkinButtonType*>(FindControl(IDC_CONVERT_ALL));
    m_btnStop = static_cast<CSkinButtonType*>(FindControl(IDC_STOP));
    m_btnBrowse = static_cast<wxButton*>(FindControl(IDC_BROWSE));
    m_radioSameFolder = static_cast<wxRadioButton*>(FindControl(IDC_SAVE_IN_SOURCE));
    m_radioCustomize = static_cast<wxRadioButton*>(FindControl(IDC_CUSTOMIZE));
    m_progress = static_cast<wxGauge*>(FindControl(IDC_PROGRESS));
    m_linkHome = static_cast<wxHyperlinkCtrl*>(FindControl(IDC_HOME_LINK));
    m_panelPlaceholder = static_cast<wxStaticBox*>(FindControl(IDC_PANEL_PLACEHOLDER));
    m_labelOutput = static_cast<wxStaticText*>(FindControl(IDC_OUTPUT_LABEL));
    m_editOutputFolder = static_cast<wxTextCtrl*>(FindControl(IDC_OUTPUT_FOLDER));
    m_editOutputFolder->SetMaxLength(kOutputFolderLimit);
}

void CVelmoraDlg::InitMainWindow()
{
    // The About item has no system menu to go into here: it is in the context
    // menu of the window's background (MakeContextMenu); on Windows it is in
    // the system menu too.
#ifdef __WXMSW__
    if (wxMenu* systemMenu = MSWGetSystemMenu()) {
        systemMenu->AppendSeparator();
        systemMenu->Append(IDM_ABOUTBOX, wxS("&About..."));
    }
#endif
    SetIcons(LoadAppIcons());
    SetTitle(wxS("Corvale"));

    m_pOptions = std::make_unique<COptions>();
    g_pOptions = m_pOptions.get();
    LoadOptions();
    RestoreWindowPlacement(*this);
    m_strOutputFolder = wxString(m_pOptions->m_strOutputPath);

    LoadSkinBitmaps();
    SetupFileListColumns();
    SetupFileDropTarget();
    SetupPageSetup();
    SetupSkinButtons();
    ApplyControlColours();
    SetupAdsPanel();

    // Every start begins with "Customize :"; the choice is not stored.
    m_radioSameFolder->SetValue(false);
    m_radioCustomize->SetValue(true);

    m_linkHome->SetLabel(kHelpLinkText);
    m_linkHome->SetURL(GetHelpPageUrl());
    m_linkHome->SetToolTip(GetHelpPageUrl());

    m_pEngine->m_bSameFolder = m_radioSameFolder->GetValue();
    TransferDataToWindow();
    ApplyLayout(GetClientSize().GetWidth(), GetClientSize().GetHeight());

    // The focus starts on the first control in the tab order, with no frame
    // until a key is pressed; left alone, GTK picks one by its own sorting.
    m_btnAddFiles->SetFocusWithoutFrame();
}

void CVelmoraDlg::SetupAdsPanel()
{
    // A child window, owned and destroyed by the dialog; the layout keeps it
    // on the placeholder's place.
    auto* panel = new CAdsDialog(this);
    panel->SetSize(m_panelPlaceholder->GetRect());
    panel->Show();
    SetAdsPanel(panel);
}

CVelmoraDlg::~CVelmoraDlg()
{
    m_closeTimer.Stop();
    DetachFromWorker();

    // The settings are saved from what the window shows now, the typed
    // output folder included.
    if (m_editOutputFolder && m_editOutputFolder->GetValue().length() <= kOutputFolderLimit)
        m_strOutputFolder = m_editOutputFolder->GetValue();
    if (m_pOptions) {
        m_pOptions->m_strOutputPath = m_strOutputFolder.ToStdWstring();
        SaveOptions();
        SaveWindowPlacement(*this);
        if (g_pOptions == m_pOptions.get())
            g_pOptions = nullptr;
        m_pOptions.reset();
    }
}

// The window normally closes only once the worker has ended; this covers a
// window destroyed under a running worker: the worker is stopped, every event
// it still sends is answered without the window, and it is waited for.
void CVelmoraDlg::DetachFromWorker()
{
    m_bDetached = true;
    m_pEngine.reset();  // an engine stops and waits for its worker as it goes
}

bool CVelmoraDlg::TransferDataToWindow()
{
    m_editOutputFolder->ChangeValue(m_strOutputFolder);
    return true;
}

bool CVelmoraDlg::TransferDataFromWindow()
{
    const wxString text = m_editOutputFolder->GetValue();
    if (text.length() > kOutputFolderLimit) {
        CorvaleMessage(this, wxString::Format(wxS("Enter no more than %zu characters."), kOutputFolderLimit),
                       wxOK | wxICON_EXCLAMATION);
        return false;
    }
    m_strOutputFolder = text;
    return true;
}

void CVelmoraDlg::SetupFileListColumns()
{
    m_listFiles->Raise();
    m_listFiles->SetupColumns();
}

void CVelmoraDlg::ResizeFileListColumns() { m_listFiles->ResizeColumns(); }

void CVelmoraDlg::ResizeFileListColumns(int clientWidth)
{
    if (m_listFiles->GetColumnCount() < 4 || clientWidth <= 0)
        return;
    const std::array<int, 4> widths = CMyListCtrl::ColumnWidths(clientWidth);
    for (int column = 0; column < 4; ++column)
        m_listFiles->SetColumnWidth(column, widths[static_cast<size_t>(column)]);
}

// The page setup dialog object lives as long as the window and is opened from
// the context menu and from a button above Browse (the layout places it and
// gives it its turn in the tab order).
void CVelmoraDlg::SetupPageSetup()
{
    m_pPageSetupDlg = new CPageSetupDlg(this);
    const wxRect rect = DialogUnitsToPixels(this, 285, 254, 60, 14);
    m_btnPageSetup = new wxButton(this, IDC_PAGE_SETUP, wxS("Page Setup..."), rect.GetPosition(), rect.GetSize());
}

void CVelmoraDlg::OnOK(wxCommandEvent&) {}

void CVelmoraDlg::OnCancel(wxCommandEvent&) {}

void CVelmoraDlg::OnClose(wxCloseEvent& event)
{
    if (event.CanVeto()) {
        if (m_pEngine->m_nState == STATUS_STARTED) {
            CorvaleMessage(this, wxS("Operation is not supported.\nPlease stop the converting."), wxOK);
            event.Veto();
            return;
        }
        // A stop was asked for and the worker is ending its current file:
        // close as soon as it has ended, the window staying alive meanwhile.
        if (m_pEngine->IsWorkerRunning()) {
            m_bClosePending = true;
            if (!m_closeTimer.IsRunning())
                m_closeTimer.Start(100);
            event.Veto();
            return;
        }
    }
    FinishClose();
}

void CVelmoraDlg::OnCloseTimer(wxTimerEvent&)
{
    if (!m_bClosePending || m_pEngine->IsWorkerRunning())
        return;
    m_closeTimer.Stop();
    m_bClosePending = false;
    Close();
}

void CVelmoraDlg::FinishClose()
{
    m_closeTimer.Stop();
    m_bClosePending = false;
    if (IsModal())
        EndModal(wxID_CANCEL);
    else
        Destroy();
}

std::unique_ptr<wxMenu> CVelmoraDlg::MakeContextMenu() const
{
    auto menu = std::make_unique<wxMenu>();
    menu->Append(IDM_PAGE_SETUP, wxS("Page Setup..."));
    menu->Enable(IDM_PAGE_SETUP, !m_bRunningLook);
    menu->AppendSeparator();
    menu->Append(IDM_ABOUTBOX, wxS("&About..."));
    return menu;
}

// A right click on the window's background (or on a label or frame, which
// have no input of their own) opens the window's menu.
void CVelmoraDlg::OnContextMenu(wxContextMenuEvent& event)
{
    wxObject* source = event.GetEventObject();
    if (source != this && !wxDynamicCast(source, wxStaticText) && !wxDynamicCast(source, wxStaticBox)) {
        event.Skip();
        return;
    }
    std::unique_ptr<wxMenu> menu = MakeContextMenu();
    wxPoint position = event.GetPosition();
    PopupMenu(menu.get(), position == wxDefaultPosition ? wxDefaultPosition : ScreenToClient(position));
}

void CVelmoraDlg::OnAbout(wxCommandEvent&)
{
    CAboutDlg about(this, LoadAppIcons());
    about.ShowModal();
}

void CVelmoraDlg::OnPageSetup(wxCommandEvent&)
{
    if (m_pPageSetupDlg && !m_bRunningLook)
        m_pPageSetupDlg->ShowModal();
}

void CVelmoraDlg::OnOpenHomePage(wxCommandEvent&) { OpenUrl(GetHelpPageUrl()); }

void CVelmoraDlg::OnHomeLink(wxHyperlinkEvent& event) { OpenUrl(event.GetURL()); }
