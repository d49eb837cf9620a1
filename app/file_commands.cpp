// The file list's commands: Add File(s), Add Folder, Remove Selected, Remove
// All, and files or folders dropped on the list or named on the command line.
#include "velmora_dlg.h"

#include "file_filter.h"
#include "res/prompts.h"
#include "skin/my_list_ctrl.h"

#include "base/paths.h"

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <system_error>

#include <wx/dnd.h>

namespace {

// "?" stands for a size that cannot be read.
std::wstring SizeText(const std::wstring& path)
{
    std::error_code error;
    const std::uintmax_t size = std::filesystem::file_size(ToNativePath(path), error);
    if (error)
        return L"?";
    return std::to_wstring(size / 1024);
}

std::wstring JoinPath(const std::wstring& folder, const std::wstring& name)
{
    std::wstring path = folder;
    if (path.empty() || !IsPathSeparator(path.back()))
        path += kPathSeparator;
    return path + name;
}

class FileListDropTarget final : public wxFileDropTarget {
public:
    explicit FileListDropTarget(CVelmoraDlg& dialog) : m_dialog(dialog) {}

    bool OnDropFiles(wxCoord, wxCoord, const wxArrayString& paths) override
    {
        return m_dialog.AddDroppedPaths(paths);
    }

private:
    CVelmoraDlg& m_dialog;
};

}  // namespace

void CVelmoraDlg::SetupFileDropTarget() { m_listFiles->SetDropTarget(new FileListDropTarget(*this)); }

void CVelmoraDlg::AddSourceFile(const std::wstring& fullPath, const std::wstring& fileName)
{
    const wxString name(fileName);
    const wxString folder(GetFolderPart(fullPath));
    for (int row = 0; row < m_listFiles->GetItemCount(); ++row) {
        if (m_listFiles->GetItemText(row, CMyListCtrl::COL_FILE) == name &&
            m_listFiles->GetItemText(row, CMyListCtrl::COL_PATH) == folder) {
            CorvaleMessage(this, wxString::Format(wxS("'%s' is already added."), name), wxOK);
            return;
        }
    }
    const long row = m_listFiles->InsertItem(m_listFiles->GetItemCount(), name);
    if (row < 0)
        return;
    m_listFiles->SetItem(row, CMyListCtrl::COL_SIZE, wxString(SizeText(fullPath)));
    m_listFiles->SetItem(row, CMyListCtrl::COL_PATH, folder);
    m_listFiles->SetItem(row, CMyListCtrl::COL_STATUS, wxString());
}

void CVelmoraDlg::AddMobiFilesInFolder(const std::wstring& folder)
{
    std::vector<std::wstring> names;
    std::error_code error;
    for (std::filesystem::directory_iterator it(ToNativePath(folder), error), end; !error && it != end;
         it.increment(error)) {
        // A folder cannot be converted, whatever its name.
        std::error_code typeError;
        if (it->is_directory(typeError))
            continue;
        std::wstring name = FromNativePath(it->path().filename());
        if (m_pEngine->IsSourceAccepted(name))
            names.push_back(std::move(name));
    }
    // Listed by name, whatever order the file system keeps.
    std::sort(names.begin(), names.end());
    for (const std::wstring& name : names)
        AddSourceFile(JoinPath(folder, name), name);
}

std::vector<std::wstring> CVelmoraDlg::AddPaths(const std::vector<std::wstring>& paths)
{
    std::vector<std::wstring> leftOut;
    for (const std::wstring& path : paths) {
        std::error_code error;
        const std::filesystem::path native = ToNativePath(path);
        if (std::filesystem::is_directory(native, error)) {
            AddMobiFilesInFolder(path);
            continue;
        }
        std::wstring name = GetFileNamePart(path);
        if (name.empty())
            name = path;
        if (std::filesystem::is_regular_file(native, error) && m_pEngine->IsSourceAccepted(name))
            AddSourceFile(path, name);
        else
            leftOut.push_back(path);
    }
    return leftOut;
}

bool CVelmoraDlg::AddDroppedPaths(const wxArrayString& paths)
{
    // Nothing is added while a run is going on, as the add buttons are
    // disabled then.
    if (m_bRunningLook || m_pEngine->IsWorkerRunning())
        return false;
    std::vector<std::wstring> wide;
    for (const wxString& path : paths)
        wide.push_back(path.ToStdWstring());
    return AddPaths(wide).size() < wide.size();
}

void CVelmoraDlg::OnAddFiles(wxCommandEvent&)
{
    wxArrayString paths;
    if (!GetPrompts().OpenFiles(this, wxS("Select Files"), MakeFileDialogWildcard(m_pEngine->GetFileFilter()), paths))
        return;
    for (const wxString& path : paths) {
        const std::wstring wide = path.ToStdWstring();
        std::wstring name = GetFileNamePart(wide);
        if (name.empty())
            name = wide;
        AddSourceFile(wide, name);
    }
}

void CVelmoraDlg::OnAddFolder(wxCommandEvent&)
{
    wxString folder;
    if (GetPrompts().PickFolder(this, wxS("Select a folder"), folder))
        AddMobiFilesInFolder(folder.ToStdWstring());
    // Chosen or not, the fields show the members again.
    TransferDataToWindow();
}

void CVelmoraDlg::OnRemoveSelected(wxCommandEvent&)
{
    // The rows of a run are referred to by position until its worker ends.
    if (m_pEngine->IsWorkerRunning())
        return;
    int row = 0;
    while (row < m_listFiles->GetItemCount()) {
        if (m_listFiles->IsItemChecked(row)) {
            m_listFiles->DeleteItem(row);  // the next row moves up into `row`
            ForgetListRow(row);
        } else
            ++row;
    }
}

void CVelmoraDlg::OnRemoveAll(wxCommandEvent&)
{
    if (m_pEngine->IsWorkerRunning() || m_listFiles->GetItemCount() == 0)
        return;
    m_listFiles->DeleteAllItems();
    m_pEngine->ClearJobs();
    m_rowMap.clear();
}
