#include "app_test_support.h"

#include "app/dlg_ids.h"
#include "app/help_page.h"
#include "base/paths.h"
#include "skin/my_list_ctrl.h"
#include "wx_test_env.h"

#include <chrono>
#include <cstdlib>
#include <fstream>

#include <wx/app.h>
#include <wx/gauge.h>
#include <wx/radiobut.h>
#include <wx/textctrl.h>

namespace app_test {

// --- fake engine ---------------------------------------------------------------

void FakeMobiEngine::Step(int32_t quarter)
{
    m_nPosition += quarter;
    SetJobState(STATUS_PROCESSING, m_nCurrent);
}

bool FakeMobiEngine::ConvertFile(const std::wstring& source, const std::wstring& target)
{
    {
        std::lock_guard guard(m_mutex);
        m_calls.emplace_back(source, target);
    }
    const Action action = decide ? decide(source) : Action::Succeed;
    const int32_t quarter = m_nShare / 4;
    m_nPosition = m_nBase.load();
    Step(quarter);
    if (action == Action::Fail)
        return false;
    if (action == Action::Block || action == Action::BlockAlways) {
        std::unique_lock lock(m_mutex);
        const int generation = m_releases;
        ++m_blocked;
        while (!m_releasedForever && m_releases == generation) {
            if (action == Action::Block && m_nState != STATUS_STARTED)
                break;  // a stop ends the conversion
            m_wake.wait_for(lock, std::chrono::milliseconds(10));
        }
    }
    if (m_nState != STATUS_STARTED)
        return false;
    for (int step = 0; step < 3; ++step)
        Step(quarter);
    std::ofstream out(ToNativePath(target), std::ios::binary);
    out << "%PDF-1.4 fake\n";
    return static_cast<bool>(out);
}

void FakeMobiEngine::Release()
{
    std::lock_guard guard(m_mutex);
    ++m_releases;
    m_wake.notify_all();
}

void FakeMobiEngine::ReleaseForever()
{
    std::lock_guard guard(m_mutex);
    m_releasedForever = true;
    m_wake.notify_all();
}

std::vector<std::pair<std::wstring, std::wstring>> FakeMobiEngine::Calls() const
{
    std::lock_guard guard(m_mutex);
    return m_calls;
}

// --- fixture -------------------------------------------------------------------

void AppTest::SetUp()
{
    // Everything the window reads or writes of the user's stays in the
    // temporary home.
    ASSERT_FALSE(m_home.path().empty());
    fs::create_directories(m_home.path() / "config");
    fs::create_directories(m_home.path() / "cache");
    SetPrompts(&m_prompts);
    SetUrlOpener([this](const wxString& url) {
        m_openedUrls.push_back(url);
        return true;
    });
}

void AppTest::TearDown()
{
    if (DialogAlive()) {
        if (m_fake)
            m_fake->ReleaseForever();
        m_dialog->Destroy();
        PumpUntil([this] { return !DialogAlive(); });
    }
    m_dialog = nullptr;
    m_fake = nullptr;
    SetUrlOpener(nullptr);
    SetPrompts(nullptr);
}

CVelmoraDlg& AppTest::MakeDialog(std::unique_ptr<MobiPdfEng> engine)
{
    m_dialog = new CVelmoraDlg(nullptr, std::move(engine));  // a top-level window owns itself
    m_dialogRef = m_dialog;
    m_dialog->Show();
    Pump();
    return *m_dialog;
}

CVelmoraDlg& AppTest::MakeDialogWithFake()
{
    auto fake = std::make_unique<Engine<FakeMobiEngine>>();
    m_fake = fake.get();
    return MakeDialog(std::move(fake));
}

void AppTest::CloseDialog()
{
    ASSERT_TRUE(DialogAlive());
    m_dialog->Close();
    ASSERT_TRUE(PumpUntil([this] { return !DialogAlive(); }));
    m_dialog = nullptr;
    m_fake = nullptr;
}

void AppTest::Pump()
{
    corvale_test::PumpEvents();
}

bool AppTest::PumpUntil(const std::function<bool()>& done)
{
    return corvale_test::PumpUntil(done);
}

bool AppTest::WaitForRunEnd()
{
    return PumpUntil([this] { return !m_dialog->GetEngine().IsWorkerRunning() && !m_dialog->IsRunningLook(); });
}

wxWindow* AppTest::Control(int id) const
{
    for (wxWindow* child : m_dialog->GetChildren()) {
        if (child->GetId() == id && !child->IsTopLevel())
            return child;
    }
    return nullptr;
}

CMyListCtrl& AppTest::List() const { return *m_dialog->GetFileList(); }

void AppTest::Click(int id)
{
    wxWindow* control = Control(id);
    ASSERT_NE(control, nullptr) << id;
    ASSERT_TRUE(control->IsShown()) << "control " << id << " is hidden";
    ASSERT_TRUE(control->IsEnabled()) << "control " << id << " is disabled";
    SendCommand(id);
}

void AppTest::SendCommand(int id, wxEventType type)
{
    wxWindow* control = Control(id);
    ASSERT_NE(control, nullptr) << id;
    wxCommandEvent event(type, id);
    event.SetEventObject(control);
    event.SetInt(1);
    control->GetEventHandler()->ProcessEvent(event);
    Pump();
}

void AppTest::ChooseRadio(int id)
{
    auto* radio = ControlAs<wxRadioButton>(id);
    ASSERT_NE(radio, nullptr);
    ASSERT_TRUE(radio->IsEnabled());
    radio->SetValue(true);
    SendCommand(id, wxEVT_RADIOBUTTON);
}

void AppTest::TypeOutputFolder(const wxString& text) { ControlAs<wxTextCtrl>(IDC_OUTPUT_FOLDER)->SetValue(text); }

wxString AppTest::OutputFieldText() const { return ControlAs<wxTextCtrl>(IDC_OUTPUT_FOLDER)->GetValue(); }

void AppTest::AddFiles(const std::vector<fs::path>& files)
{
    wxArrayString paths;
    for (const fs::path& file : files)
        paths.push_back(wxString(FromNativePath(file)));
    m_prompts.filesToPick = paths;
    Click(IDC_ADD_FILES);
    m_prompts.filesToPick.reset();
}

std::vector<wxString> AppTest::Column(int column) const
{
    std::vector<wxString> texts;
    for (int row = 0; row < List().GetItemCount(); ++row)
        texts.push_back(List().GetItemText(row, column));
    return texts;
}

std::vector<wxString> AppTest::Statuses() const { return Column(CMyListCtrl::COL_STATUS); }

int AppTest::GaugeValue() const { return ControlAs<wxGauge>(IDC_PROGRESS)->GetValue(); }

bool AppTest::Shown(int id) const { return Control(id)->IsShown(); }

bool AppTest::Enabled(int id) const { return Control(id)->IsEnabled(); }

fs::path AppTest::MakeFile(const fs::path& relative, size_t size) const
{
    const fs::path file = m_home.path() / relative;
    fs::create_directories(file.parent_path());
    std::ofstream out(file, std::ios::binary);
    out << std::string(size, 'x');
    return file;
}

fs::path AppTest::MakeFolder(const fs::path& relative) const
{
    const fs::path folder = m_home.path() / relative;
    fs::create_directories(folder);
    return folder;
}

}  // namespace app_test
