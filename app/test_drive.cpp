#include "test_drive.h"

#include "dlg_ids.h"
#include "velmora_dlg.h"

#include "base/paths.h"
#include "res/prompts.h"
#include "skin/my_list_ctrl.h"

#include <filesystem>
#include <fstream>
#include <string>
#include <system_error>
#include <vector>

#include <wx/bitmap.h>
#include <wx/dcscreen.h>
#include <wx/dcmemory.h>
#include <wx/image.h>
#include <wx/textctrl.h>
#include <wx/timer.h>
#include <wx/utils.h>

namespace {

namespace fs = std::filesystem;

// Answers every message box without a person and keeps its text.
class ReportingPrompts final : public Prompts {
public:
    int Message(wxWindow*, const wxString& text, const wxString&, long style) override
    {
        m_messages.push_back(text);
        return (style & wxYES_NO) ? wxNO : wxOK;
    }
    bool OpenFiles(wxWindow*, const wxString&, const wxString&, wxArrayString&) override { return false; }
    bool PickFolder(wxWindow*, const wxString&, wxString&) override { return false; }

    const std::vector<wxString>& Messages() const { return m_messages; }

private:
    std::vector<wxString> m_messages;
};

// A file's whole content, written so that a reader polling for it never sees
// it half written: to a side name first, then renamed.
void WriteWhole(const fs::path& path, const std::string& content)
{
    fs::path partial = path;
    partial += ".partial";
    {
        std::ofstream out(partial, std::ios::binary);
        out << content;
    }
    std::error_code error;
    fs::rename(partial, path, error);
}

std::string Utf8(const wxString& text) { return std::string(text.utf8_str()); }

// Paints now what waits to be painted, in the window and every child (a
// window's update does not reach its children on Windows).
void UpdateAll(wxWindow& window)
{
    window.Update();
    for (wxWindow* child : window.GetChildren())
        UpdateAll(*child);
}

class WindowTestDrive final : public TestDrive {
public:
    WindowTestDrive(CVelmoraDlg& dialog, fs::path folder) : m_dialog(dialog), m_folder(std::move(folder))
    {
        SetPrompts(&m_prompts);
        m_timer.Bind(wxEVT_TIMER, [this](wxTimerEvent&) { Step(); });
    }
    ~WindowTestDrive() override
    {
        m_timer.Stop();
        SetPrompts(nullptr);
    }

    // Looks at the window every 100 ms: each step waits for a condition
    // (painted, "go", the run's end), none for a time.
    void Start() override { m_timer.Start(100); }

private:
    enum class Stage { Showing, WaitingForGo, Converting, Done };

    void Step()
    {
        switch (m_stage) {
        case Stage::Showing:
            if (!m_dialog.IsShownOnScreen())
                return;
            UpdateAll(m_dialog);
            SaveWindowPicture();
            WriteWhole(m_folder / "shown", {});
            m_stage = Stage::WaitingForGo;
            return;
        case Stage::WaitingForGo:
            if (std::error_code error; !fs::exists(m_folder / "go", error))
                return;
            ClickConvertAll();
            m_stage = Stage::Converting;
            return;
        case Stage::Converting:
            // The worker hands every event to the window and waits for it,
            // so once it has ended and the idle look is back the rows are final.
            if (m_dialog.GetEngine().IsWorkerRunning() || m_dialog.IsRunningLook())
                return;
            WriteWhole(m_folder / "report.txt", Report());
            m_stage = Stage::Done;
            m_timer.Stop();
            m_dialog.Close();
            return;
        case Stage::Done:
            return;
        }
    }

    // The client area as the screen shows it, skin and controls, in colour
    // whatever the screen's own depth.
    void SaveWindowPicture() const
    {
        const wxSize size = m_dialog.GetClientSize();
        const wxPoint origin = m_dialog.ClientToScreen(wxPoint(0, 0));
        wxBitmap picture(size, 24);
        {
            wxScreenDC screen;
            wxMemoryDC memory(picture);
            memory.Blit(0, 0, size.x, size.y, &screen, origin.x, origin.y);
        }
        const wxImage image = picture.ConvertToImage();
        image.SaveFile(wxString(FromNativePath(m_folder / "window.png")), wxBITMAP_TYPE_PNG);
        image.SaveFile(wxString(FromNativePath(m_folder / "window.ppm")), wxBITMAP_TYPE_PNM);
    }

    // Through the button's own event, as a click sends it.
    void ClickConvertAll()
    {
        wxWindow* button = m_dialog.FindWindow(IDC_CONVERT_ALL);
        if (!button)
            return;
        wxCommandEvent click(wxEVT_BUTTON, IDC_CONVERT_ALL);
        click.SetEventObject(button);
        button->HandleWindowEvent(click);
    }

    std::string Report() const
    {
        const wxRect rect = m_dialog.GetRect();
        std::string report = "title\t" + Utf8(m_dialog.GetTitle()) + "\n";
        report += "rect\t" + std::to_string(rect.GetLeft()) + "\t" + std::to_string(rect.GetTop()) + "\t" +
                  std::to_string(rect.GetRight() + 1) + "\t" + std::to_string(rect.GetBottom() + 1) + "\n";
        if (const auto* field = wxDynamicCast(m_dialog.FindWindow(IDC_OUTPUT_FOLDER), wxTextCtrl))
            report += "output\t" + Utf8(field->GetValue()) + "\n";
        const CMyListCtrl& list = *m_dialog.GetFileList();
        for (int row = 0; row < list.GetItemCount(); ++row) {
            report += "row\t" + Utf8(list.GetItemText(row, CMyListCtrl::COL_FILE)) + "\t" +
                      Utf8(list.GetItemText(row, CMyListCtrl::COL_STATUS)) + "\n";
        }
        for (const wxString& message : m_prompts.Messages())
            report += "message\t" + Utf8(message) + "\n";
        return report;
    }

    CVelmoraDlg& m_dialog;
    const fs::path m_folder;
    ReportingPrompts m_prompts;
    wxTimer m_timer;
    Stage m_stage = Stage::Showing;
};

}  // namespace

std::unique_ptr<TestDrive> TestDrive::FromEnvironment(CVelmoraDlg& dialog)
{
    wxString folder;
    if (!wxGetEnv(wxS("CORVALE_TEST_DRIVE"), &folder) || folder.empty())
        return nullptr;
    return std::make_unique<WindowTestDrive>(dialog, ToNativePath(folder.ToStdWstring()));
}
