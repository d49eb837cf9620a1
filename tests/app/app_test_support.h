// Helpers for the main window's tests: a temporary home for every test,
// prompts that record what the window asks and answer as told, an engine
// whose conversions the test controls, and event pumping with generous
// bounds.
#pragma once

#include "recording_prompts.h"
#include "app/velmora_dlg.h"
#include "support/scoped_env.h"
#include "support/temp_dir.h"

#include <atomic>
#include <condition_variable>
#include <deque>
#include <filesystem>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include <gtest/gtest.h>
#include <wx/arrstr.h>
#include <wx/weakref.h>

class CMyListCtrl;

namespace app_test {

namespace fs = std::filesystem;

using corvale_test::PromptRecord;
using corvale_test::RecordingPrompts;

// What the fake engine does with one book.
enum class Action {
    Succeed,      // four progress steps, then writes the target
    Fail,         // one progress step, then fails
    Block,        // one progress step, then waits for Release() or a stop
    BlockAlways,  // one progress step, then waits for Release() only
};

// A MOBI engine whose ConvertFile the test decides (by file name). It reports
// progress like the real one: a quarter share when it begins and after each
// step.
class FakeMobiEngine : public MobiPdfEng {
public:
    using MobiPdfEng::MobiPdfEng;

    bool ConvertFile(const std::wstring& source, const std::wstring& target) override;

    // Lets the conversions blocked now go on; later ones block again.
    void Release();
    // Lets every conversion pass from now on (a test's end).
    void ReleaseForever();
    // How many conversions have begun to block so far.
    int BlockedCount() const { return m_blocked; }
    std::vector<std::pair<std::wstring, std::wstring>> Calls() const;

    std::function<Action(const std::wstring& source)> decide;

private:
    void Step(int32_t quarter);

    mutable std::mutex m_mutex;
    std::condition_variable m_wake;
    int m_releases = 0;
    bool m_releasedForever = false;
    std::atomic<int> m_blocked{0};
    std::vector<std::pair<std::wstring, std::wstring>> m_calls;
};

class AppTest : public testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // The main window, shown modeless; the test's engine when given.
    CVelmoraDlg& MakeDialog(std::unique_ptr<MobiPdfEng> engine = nullptr);
    // Makes the dialog with a fake engine, kept in m_fake.
    CVelmoraDlg& MakeDialogWithFake();
    // Closes the window and waits until it is destroyed (settings saved).
    void CloseDialog();
    bool DialogAlive() const { return m_dialogRef.get() != nullptr; }

    // Handles pending events, window-system events and idle time once.
    static void Pump();
    // Pumps until `done` holds; false on time-out (see corvale_test::PumpUntil).
    static bool PumpUntil(const std::function<bool()>& done);
    // Pumps until the run has ended: worker gone and the window idle.
    bool WaitForRunEnd();

    wxWindow* Control(int id) const;
    template <class T>
    T* ControlAs(int id) const
    {
        return dynamic_cast<T*>(Control(id));
    }
    CMyListCtrl& List() const;

    // A click on a shown, enabled button: wxEVT_BUTTON from the button.
    void Click(int id);
    // The command event whatever the control's state.
    void SendCommand(int id, wxEventType type = wxEVT_BUTTON);
    // The user picks a radio button.
    void ChooseRadio(int id);
    // The user types into the output-folder field.
    void TypeOutputFolder(const wxString& text);
    wxString OutputFieldText() const;

    // Rows added through Add File(s).
    void AddFiles(const std::vector<fs::path>& files);
    std::vector<wxString> Column(int column) const;
    std::vector<wxString> Statuses() const;
    int GaugeValue() const;
    bool Shown(int id) const;
    bool Enabled(int id) const;

    fs::path Home() const { return m_home.path(); }
    // A file of `size` bytes under the temporary home.
    fs::path MakeFile(const fs::path& relative, size_t size = 100) const;
    fs::path MakeFolder(const fs::path& relative) const;

    TempDir m_home;
    ScopedEnv m_homeEnv{"HOME", m_home.path().string()};
    ScopedEnv m_configEnv{"XDG_CONFIG_HOME", (m_home.path() / "config").string()};
    ScopedEnv m_cacheEnv{"XDG_CACHE_HOME", (m_home.path() / "cache").string()};
    RecordingPrompts m_prompts;
    std::vector<wxString> m_openedUrls;
    CVelmoraDlg* m_dialog = nullptr;
    wxWeakRef<CVelmoraDlg> m_dialogRef;
    FakeMobiEngine* m_fake = nullptr;  // owned by the dialog
};

}  // namespace app_test
