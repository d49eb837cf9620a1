// Conversion runs: Convert All, Convert Selected and Stop, the engine's
// events shown in the Status column and the progress bar, the window's idle
// and running looks, the output-folder controls, and opening the PDF of a
// finished row.
#include "velmora_dlg.h"

#include "help_page.h"
#include "res/prompts.h"
#include "skin/my_list_ctrl.h"

#include "base/debug_log.h"
#include "base/paths.h"

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <future>
#include <system_error>
#include <thread>

#include <wx/button.h>
#include <wx/gauge.h>
#include <wx/radiobut.h>
#include <wx/stattext.h>
#include <wx/textctrl.h>
#include <wx/thread.h>

namespace {

// A job's reason ("the book is protected by DRM") as the sentence its row's
// tip shows; empty for none.
wxString ReasonSentence(const std::wstring& reason)
{
    wxString sentence(reason);
    if (sentence.empty())
        return sentence;
    sentence[0] = wxToupper(sentence[0]);
    if (!sentence.EndsWith(wxS(".")))
        sentence += wxS('.');
    return sentence;
}

// The Status text of a job state; nullptr leaves the row as it is.
const wchar_t* StatusText(int32_t code)
{
    switch (code) {
    case STATUS_STARTED: return L"Converting...";
    case STATUS_STOPPED: return L"Stopped";
    case STATUS_FINISHED: return L"Finished";
    case STATUS_FAILED: return L"Failed";
    default: return nullptr;
    }
}

const wchar_t* RunStateWord(int32_t code)
{
    switch (code) {
    case STATUS_STARTED: return L"started...";
    case STATUS_PAUSING: return L"pausing...";
    case STATUS_STOPPED: return L"stopped...";
    case STATUS_FINISHED: return L"finished...";
    case STATUS_FAILED: return L"failed...";
    case STATUS_PROCESSING: return L"processing...";
    default: return L"";
    }
}

}  // namespace

// --- starting a run ----------------------------------------------------------

bool CVelmoraDlg::OutputFolderExists() const
{
    if (m_strOutputFolder.empty())
        return false;
    std::error_code error;
    return std::filesystem::is_directory(ToNativePath(m_strOutputFolder.ToStdWstring()), error);
}

void CVelmoraDlg::RefuseRun(const wxString& message)
{
    // The window stays idle, and so does the flag the painting reads.
    m_bConverting = false;
    CorvaleMessage(this, message, wxOK);
}

void CVelmoraDlg::ClearStatusColumn()
{
    for (int row = 0; row < m_listFiles->GetItemCount(); ++row) {
        m_listFiles->SetItem(row, CMyListCtrl::COL_STATUS, wxString());
        m_listFiles->SetRowToolTip(row, wxString());
    }
}

namespace {

std::wstring RowPath(const CMyListCtrl& list, int row)
{
    return list.GetItemText(row, CMyListCtrl::COL_PATH).ToStdWstring() + kPathSeparator +
           list.GetItemText(row, CMyListCtrl::COL_FILE).ToStdWstring();
}

}  // namespace

bool CVelmoraDlg::BeginRunChecks()
{
    // One run at a time: nothing happens until the last run's worker is gone.
    if (m_pEngine->IsWorkerRunning())
        return false;
    TransferDataFromWindow();
    ClearStatusColumn();
    m_bConverting = true;
    if (m_listFiles->GetItemCount() == 0) {
        RefuseRun(wxS("Please add source files."));
        return false;
    }
    return true;
}

void CVelmoraDlg::ClearQueue()
{
    if (m_pEngine->GetJobCount() > 0)
        m_pEngine->ClearJobs();
    m_rowMap.clear();
}

void CVelmoraDlg::OnConvertAll(wxCommandEvent&)
{
    if (!BeginRunChecks())
        return;
    if (!OutputFolderExists()) {
        RefuseRun(wxS("The output folder doesn't exist."));
        return;
    }
    ClearQueue();
    for (int row = 0; row < m_listFiles->GetItemCount(); ++row) {
        if (m_listFiles->IsItemChecked(row))
            m_listFiles->CheckItem(row, false);
        if (m_pEngine->AddJob(RowPath(*m_listFiles, row)) >= 0)
            m_rowMap.push_back(row);
    }
    StartRun();
}

void CVelmoraDlg::OnConvertSelected(wxCommandEvent&)
{
    if (!BeginRunChecks())
        return;
    // Unlike Convert All, the folder is checked after the queue is built.
    ClearQueue();
    for (int row = 0; row < m_listFiles->GetItemCount(); ++row) {
        if (m_listFiles->IsItemChecked(row) && m_pEngine->AddJob(RowPath(*m_listFiles, row)) >= 0)
            m_rowMap.push_back(row);
    }
    if (m_rowMap.empty()) {
        RefuseRun(wxS("Please select file(s) to convert."));
        return;
    }
    if (!OutputFolderExists()) {
        RefuseRun(wxS("The output folder doesn't exist."));
        return;
    }
    StartRun();
}

void CVelmoraDlg::StartRun()
{
    m_bDetached = false;
    m_bIdleAfterPause = false;
    m_pEngine->m_pfnCallback = &CVelmoraDlg::EngineEventThunk;
    m_pEngine->m_pUserData = reinterpret_cast<intptr_t>(this);
    m_pEngine->m_strOutputFolder = m_strOutputFolder.ToStdWstring();
    m_pEngine->Start();
    m_progress->SetRange(100);
    m_progress->SetValue(0);
}

void CVelmoraDlg::OnStop(wxCommandEvent&)
{
    if (CorvaleMessage(this, wxS("Are you sure that you want to stop?"), wxYES_NO) == wxYES)
        m_pEngine->RequestStop();
}

// --- events ------------------------------------------------------------------

namespace {

// Runs `call` on the window's thread and waits for its result, as a
// synchronous window message would. A window that goes away meanwhile
// answers 0.
template <class Call>
int32_t CallOnWindowThread(CVelmoraDlg& dialog, const std::atomic<bool>& detached, Call call)
{
    auto promise = std::make_shared<std::promise<int32_t>>();
    std::future<int32_t> future = promise->get_future();
    dialog.CallAfter([promise, &detached, call] { promise->set_value(detached ? 0 : call()); });
    while (future.wait_for(std::chrono::milliseconds(100)) != std::future_status::ready) {
        if (detached)
            return 0;
    }
    try {
        return future.get();
    } catch (const std::future_error&) {
        return 0;  // the call was dropped with the window
    }
}

}  // namespace

int32_t CVelmoraDlg::EngineEventThunk(intptr_t userData, int32_t event, int32_t index, int32_t code)
{
    auto* dialog = reinterpret_cast<CVelmoraDlg*>(userData);
    if (!dialog || dialog->m_bDetached)
        return 0;

    // Start and RequestStop report from the window's own thread.
    if (wxIsMainThread()) {
        const int32_t result = dialog->OnEngineEvent(event, index, code);
        if (dialog->m_bIdleAfterPause.exchange(false))
            dialog->EndRunLook();
        return result;
    }

    const int32_t result = CallOnWindowThread(*dialog, dialog->m_bDetached,
                                              [=] { return dialog->OnEngineEvent(event, index, code); });
    // The bar shows 100 for half a second before the idle look hides it;
    // the worker waits, the window stays responsive.
    if (dialog->m_bIdleAfterPause.exchange(false)) {
        std::this_thread::sleep_for(std::chrono::milliseconds(500));
        CallOnWindowThread(*dialog, dialog->m_bDetached, [dialog] {
            dialog->EndRunLook();
            return 0;
        });
    }
    return result;
}

int32_t CVelmoraDlg::OnEngineEvent(int32_t event, int32_t index, int32_t code)
{
    int32_t result = 0;
    switch (event) {
    case EVENT_ASK_OVERWRITE: {
        const JobItem job = m_pEngine->GetJob(index);
        const wxString question = wxS("'") + wxString(job.target) + wxS("' already exists.\nDo you want to replace it?");
        if (CorvaleMessage(this, question, wxYES_NO | wxICON_NONE) == wxYES) {
            m_bConverting = true;
            SetRunningLook(true);
            result = 1;
        } else {
            // The skipped file's share of the bar counts as done.
            m_pEngine->m_nBase = m_progress->GetValue();
            SetProgress(m_progress->GetValue() + m_pEngine->m_nShare);
            m_pEngine->m_nBase = m_progress->GetValue();
        }
        break;
    }
    case EVENT_RUN_STATE:
        OnRunEvent(code);
        break;
    case EVENT_JOB_STATE:
        OnJobEvent(index, code);
        break;
    default:
        break;
    }
    Update();
    return result;
}

void CVelmoraDlg::OnRunEvent(int32_t code)
{
    DebugOutput(std::wstring(L"Convert ") + RunStateWord(code));
    if (code == STATUS_STOPPED) {
        CorvaleMessage(this, wxS("The converting stopped."), wxOK);
        EndRunLook();
    } else if (code == STATUS_FINISHED) {
        // The last file's event has brought the idle look already; a run
        // without files (every row refused) ends idle here too.
        EndRunLook();
    }
    DebugOutput(std::wstring(L"\n"));
}

void CVelmoraDlg::OnJobEvent(int32_t index, int32_t code)
{
    const bool known = index >= 0 && static_cast<size_t>(index) < m_rowMap.size();
    const int row = known ? m_rowMap[static_cast<size_t>(index)] : -1;
    const bool last = known && static_cast<size_t>(index) + 1 == m_rowMap.size();
    const auto setStatus = [this, row](int32_t state) {
        if (row >= 0 && row < m_listFiles->GetItemCount())
            m_listFiles->SetItem(row, CMyListCtrl::COL_STATUS, StatusText(state));
    };
    // A book that failed, or was kept back, says why when the user points at
    // its row; the engine has set the reason before this event.
    const auto showReason = [this, row, index] {
        if (row >= 0 && row < m_listFiles->GetItemCount())
            m_listFiles->SetRowToolTip(row, ReasonSentence(m_pEngine->GetJob(index).reason));
    };
    // A finished book whose PDF lacks something ("no font could draw its
    // Chinese text") says so the same way; the Status column still says
    // "Finished".
    const auto showNote = [this, row, index] {
        if (row < 0 || row >= m_listFiles->GetItemCount())
            return;
        const std::wstring note = m_pEngine->GetJob(index).note;
        m_listFiles->SetRowToolTip(row, note.empty() ? wxString() : ReasonSentence(L"finished, but " + note));
    };

    if (known) {
        switch (code) {
        case STATUS_STARTED:
            setStatus(code);
            SetRunningLook(true);
            m_bConverting = true;
            break;
        case STATUS_STOPPED:
            setStatus(code);
            showReason();
            if (last)
                EndRunLook();
            break;
        case STATUS_FINISHED:
            m_pEngine->m_nBase = m_progress->GetValue();
            setStatus(code);
            showNote();
            if (last) {
                SetProgress(100);
                m_bIdleAfterPause = true;  // the idle look follows the pause
            } else {
                SetProgress(m_pEngine->m_nPosition);
            }
            break;
        case STATUS_FAILED:
            setStatus(code);
            showReason();
            if (last)
                EndRunLook();
            break;
        case STATUS_PROCESSING:
            m_bConverting = true;
            SetProgress(m_pEngine->m_nPosition);
            Update();
            break;
        default:
            break;
        }
    }

    const wchar_t* word = StatusText(code);
    DebugOutput(wxString::Format(wxS("Item %ld state : %s\n"), long(index), word ? word : L"Waiting...")
                    .ToStdWstring());
}

void CVelmoraDlg::EndRunLook()
{
    m_bConverting = false;
    SetRunningLook(false);
}

void CVelmoraDlg::SetProgress(int position)
{
    m_progress->SetValue(std::clamp(position, 0, m_progress->GetRange()));
}

// --- finished rows -------------------------------------------------------------

void CVelmoraDlg::OnFileActivated(wxListEvent& event) { OpenFinishedRow(static_cast<int>(event.GetIndex())); }

void CVelmoraDlg::OpenFinishedRow(int row)
{
    if (row < 0 || row >= m_listFiles->GetItemCount() ||
        m_listFiles->GetItemText(row, CMyListCtrl::COL_STATUS) != StatusText(STATUS_FINISHED))
        return;
    const auto entry = std::find(m_rowMap.begin(), m_rowMap.end(), row);
    if (entry == m_rowMap.end())
        return;
    const wxString target(m_pEngine->GetJob(static_cast<int>(entry - m_rowMap.begin())).target);
    if (target.empty())
        return;
    std::error_code error;
    if (!std::filesystem::is_regular_file(ToNativePath(target.ToStdWstring()), error)) {
        CorvaleMessage(this, wxString::Format(wxS("'%s' no longer exists."), target), wxOK);
        return;
    }
    if (!OpenDocument(target))
        CorvaleMessage(this, wxString::Format(wxS("No program could open '%s'."), target), wxOK);
}

void CVelmoraDlg::ForgetListRow(int row)
{
    for (int32_t& entry : m_rowMap) {
        if (entry == row)
            entry = -1;
        else if (entry > row)
            --entry;
    }
}

// --- looks -------------------------------------------------------------------

void CVelmoraDlg::SetRunningLook(bool running)
{
    wxWindow* const focus = FindFocus();
    const auto* focusedButton = dynamic_cast<CSkinButtonType*>(focus);
    const bool framed = !focusedButton || focusedButton->ShowsFocusFrame();
    m_btnConvertAll->Show(!running);
    m_btnConvertSelected->Show(!running);
    m_btnStop->Show(running);
    m_progress->Show(running);
    for (wxWindow* input : {static_cast<wxWindow*>(m_btnAddFiles), static_cast<wxWindow*>(m_btnAddFolder),
                            static_cast<wxWindow*>(m_btnRemoveSelected), static_cast<wxWindow*>(m_btnRemoveAll),
                            static_cast<wxWindow*>(m_btnBrowse), static_cast<wxWindow*>(m_radioCustomize),
                            static_cast<wxWindow*>(m_radioSameFolder), static_cast<wxWindow*>(m_btnHelp),
                            static_cast<wxWindow*>(m_editOutputFolder), static_cast<wxWindow*>(m_btnPageSetup)}) {
        if (input)
            input->Enable(!running);
    }
    m_labelOutput->Enable(true);
    m_bRunningLook = running;
    InvalidateConvertArea();

    // A focus on a control that has just hidden or gone grey would be lost to
    // the keyboard: it goes on to Stop for the run, to Convert All after it,
    // with a frame only if the keyboard brought it to the lost one.
    if (focus && IsDescendant(focus) && !(focus->IsShown() && focus->IsEnabled())) {
        CSkinButtonType* next = running ? m_btnStop : m_btnConvertAll;
        if (framed)
            next->SetFocus();
        else
            next->SetFocusWithoutFrame();
    }
}

void CVelmoraDlg::InvalidateConvertArea()
{
    const wxRect area(m_btnConvertSelected->GetRect().GetTopLeft(), m_btnConvertAll->GetRect().GetBottomRight());
    RefreshRect(area, true);
}

// --- output folder -----------------------------------------------------------

void CVelmoraDlg::OnBrowseOutputFolder(wxCommandEvent&)
{
    wxString folder;
    // A path longer than the field's 260 characters cannot be kept there.
    if (GetPrompts().PickFolder(this, wxS("Select a folder"), folder) && folder.length() <= 260)
        m_strOutputFolder = folder;
    TransferDataToWindow();
}

void CVelmoraDlg::OnSaveInSourceFolder(wxCommandEvent&)
{
    m_radioCustomize->SetValue(false);
    m_pEngine->m_bSameFolder = true;
    m_btnBrowse->Enable(false);
    m_editOutputFolder->Enable(false);
}

void CVelmoraDlg::OnCustomizeFolder(wxCommandEvent&)
{
    m_radioSameFolder->SetValue(false);
    m_pEngine->m_bSameFolder = false;
    m_btnBrowse->Enable(true);
    m_editOutputFolder->Enable(true);
}
