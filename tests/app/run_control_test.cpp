// Conversion runs driven from the window with an engine whose conversions
// the test controls: the refusals, the Status texts, the progress bar, the
// replace question, failures, Stop, the two looks and the output-folder
// controls.
#include "app_test_support.h"

#include "app/dlg_ids.h"
#include "app/help_page.h"
#include "base/paths.h"
#include "skin/my_list_ctrl.h"
#include "wx_test_env.h"

#include <fstream>

#include <wx/filename.h>
#include <wx/radiobut.h>
#include <wx/textctrl.h>

using namespace app_test;

namespace {

wxString Text(const fs::path& path) { return wxString(FromNativePath(path)); }

// Controls the running look disables and the idle look enables.
constexpr int kInputs[] = {IDC_ADD_FILES,  IDC_ADD_FOLDER, IDC_REMOVE_SELECTED, IDC_REMOVE_ALL,   IDC_BROWSE,
                           IDC_CUSTOMIZE, IDC_SAVE_IN_SOURCE, IDC_HELP,         IDC_OUTPUT_FOLDER, IDC_PAGE_SETUP};

std::string ReadAll(const fs::path& file)
{
    std::ifstream in(file, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

}  // namespace

class RunTest : public AppTest {
protected:
    void SetUp() override
    {
        AppTest::SetUp();
        MakeDialogWithFake();
        m_out = MakeFolder("out");
        TypeOutputFolder(Text(m_out));
    }

    std::vector<fs::path> Books(std::initializer_list<const char*> names)
    {
        std::vector<fs::path> books;
        for (const char* name : names)
            books.push_back(MakeFile(fs::path("in") / name));
        return books;
    }

    void ExpectIdleLook()
    {
        EXPECT_TRUE(Shown(IDC_CONVERT_ALL));
        EXPECT_TRUE(Shown(IDC_CONVERT_SELECTED));
        EXPECT_FALSE(Shown(IDC_STOP));
        EXPECT_FALSE(Shown(IDC_PROGRESS));
        for (int id : kInputs)
            EXPECT_TRUE(Enabled(id)) << id;
        EXPECT_TRUE(Enabled(IDC_OUTPUT_LABEL));
        EXPECT_FALSE(m_dialog->IsRunningLook());
    }

    void ExpectRunningLook()
    {
        EXPECT_FALSE(Shown(IDC_CONVERT_ALL));
        EXPECT_FALSE(Shown(IDC_CONVERT_SELECTED));
        EXPECT_TRUE(Shown(IDC_STOP));
        EXPECT_TRUE(Shown(IDC_PROGRESS));
        for (int id : kInputs)
            EXPECT_FALSE(Enabled(id)) << id;
        EXPECT_TRUE(Enabled(IDC_OUTPUT_LABEL));
        EXPECT_TRUE(Enabled(IDC_FILE_LIST));  // rows can still be ticked
        EXPECT_TRUE(m_dialog->IsRunningLook());
    }

    bool WaitForBlocked(int count)
    {
        return PumpUntil([this, count] { return m_fake->BlockedCount() >= count; });
    }

    void ExpectNothingStarted()
    {
        EXPECT_EQ(m_dialog->GetEngine().m_nState, STATUS_NONE);
        EXPECT_FALSE(m_dialog->GetEngine().IsWorkerRunning());
        EXPECT_TRUE(m_fake->Calls().empty());
        EXPECT_FALSE(m_dialog->IsConverting());
        EXPECT_FALSE(m_dialog->IsRunningLook());
        EXPECT_TRUE(Shown(IDC_CONVERT_ALL));
        EXPECT_TRUE(Shown(IDC_CONVERT_SELECTED));
        EXPECT_FALSE(Shown(IDC_STOP));
        EXPECT_FALSE(Shown(IDC_PROGRESS));
        EXPECT_TRUE(Enabled(IDC_ADD_FILES));
        // The output-folder controls follow the radio buttons.
        const bool custom = ControlAs<wxRadioButton>(IDC_CUSTOMIZE)->GetValue();
        EXPECT_EQ(Enabled(IDC_BROWSE), custom);
        EXPECT_EQ(Enabled(IDC_OUTPUT_FOLDER), custom);
    }

    fs::path m_out;
};

// --- refused runs --------------------------------------------------------------------

TEST_F(RunTest, ConvertAllWithAnEmptyListAsksForFiles)
{
    Click(IDC_CONVERT_ALL);
    EXPECT_EQ(m_prompts.Texts(), std::vector<wxString>{wxS("Please add source files.")});
    EXPECT_EQ(m_prompts.messages[0].caption, wxS("Corvale"));
    EXPECT_TRUE(m_prompts.messages[0].style & wxOK);
    EXPECT_EQ(m_prompts.owners[0], m_dialog);
    ExpectNothingStarted();

    m_prompts.messages.clear();
    Click(IDC_CONVERT_SELECTED);
    EXPECT_EQ(m_prompts.Texts(), std::vector<wxString>{wxS("Please add source files.")});
    ExpectNothingStarted();
}

TEST_F(RunTest, ConvertSelectedWithNoTickedRowAsksForASelection)
{
    AddFiles(Books({"a.mobi", "b.mobi"}));
    // Highlighted is not ticked; the check of the folder comes after.
    List().SetItemState(0, wxLIST_STATE_SELECTED, wxLIST_STATE_SELECTED);
    TypeOutputFolder(Text(Home() / "missing"));
    Click(IDC_CONVERT_SELECTED);
    EXPECT_EQ(m_prompts.Texts(), std::vector<wxString>{wxS("Please select file(s) to convert.")});
    ExpectNothingStarted();
}

TEST_F(RunTest, AMissingOutputFolderStopsBothCommandsInBothModes)
{
    AddFiles(Books({"a.mobi", "b.mobi"}));
    List().CheckItem(1, true);
    List().SetItem(0, CMyListCtrl::COL_STATUS, wxS("Finished"));
    const std::vector<wxString> expected{wxS("The output folder doesn't exist.")};

    for (int radio : {IDC_CUSTOMIZE, IDC_SAVE_IN_SOURCE}) {
        if (radio == IDC_SAVE_IN_SOURCE) {
            ChooseRadio(IDC_CUSTOMIZE);
            TypeOutputFolder(Text(Home() / "missing"));
            ChooseRadio(IDC_SAVE_IN_SOURCE);
        } else {
            TypeOutputFolder(Text(Home() / "missing"));
        }
        for (int command : {IDC_CONVERT_ALL, IDC_CONVERT_SELECTED}) {
            SCOPED_TRACE(testing::Message() << radio << " " << command);
            m_prompts.messages.clear();
            Click(command);
            EXPECT_EQ(m_prompts.Texts(), expected);
            ExpectNothingStarted();
            // The Status column was cleared before the checks.
            EXPECT_EQ(Statuses(), (std::vector<wxString>{wxString(), wxString()}));
        }
    }
    // A file where the folder should be is no folder either.
    ChooseRadio(IDC_CUSTOMIZE);
    TypeOutputFolder(Text(MakeFile("plain-file")));
    m_prompts.messages.clear();
    Click(IDC_CONVERT_ALL);
    EXPECT_EQ(m_prompts.Texts(), expected);
    ExpectNothingStarted();
}

// --- runs ------------------------------------------------------------------------------

TEST_F(RunTest, ARunShowsConvertingThenFinishedAndTheBarReaches100)
{
    const auto books = Books({"a.mobi", "b.mobi", "c.mobi"});
    AddFiles(books);
    List().CheckItem(0, true);
    m_fake->decide = [](const std::wstring&) { return Action::Block; };
    Click(IDC_CONVERT_ALL);
    // Convert All leaves every row unticked.
    EXPECT_FALSE(List().IsItemChecked(0));

    ASSERT_TRUE(WaitForBlocked(1));
    EXPECT_EQ(Statuses(), (std::vector<wxString>{wxS("Converting..."), wxString(), wxString()}));
    ExpectRunningLook();
    EXPECT_TRUE(m_dialog->IsConverting());
    // Three files: a share of 33, quarter steps of 8.
    EXPECT_EQ(GaugeValue(), 8);

    m_fake->Release();
    ASSERT_TRUE(WaitForBlocked(2));
    EXPECT_EQ(Statuses(), (std::vector<wxString>{wxS("Finished"), wxS("Converting..."), wxString()}));
    EXPECT_EQ(GaugeValue(), 32 + 8);
    ExpectRunningLook();

    m_fake->Release();
    ASSERT_TRUE(WaitForBlocked(3));
    EXPECT_EQ(GaugeValue(), 64 + 8);
    m_fake->Release();
    ASSERT_TRUE(WaitForRunEnd());

    EXPECT_EQ(Statuses(), (std::vector<wxString>(3, wxS("Finished"))));
    EXPECT_EQ(GaugeValue(), 100);
    ExpectIdleLook();
    EXPECT_FALSE(m_dialog->IsConverting());
    EXPECT_EQ(m_dialog->GetEngine().m_nState, STATUS_FINISHED);
    EXPECT_TRUE(m_prompts.messages.empty());

    // Sources are Path + separator + File; targets go to the output folder.
    const auto calls = m_fake->Calls();
    ASSERT_EQ(calls.size(), 3u);
    for (size_t i = 0; i < 3; ++i) {
        EXPECT_EQ(calls[i].first, FromNativePath(books[i]));
        EXPECT_EQ(calls[i].second, FromNativePath(m_out / books[i].stem()) + L".pdf");
    }
}

TEST_F(RunTest, ConvertSelectedConvertsTheTickedRowsAndKeepsTheTicks)
{
    AddFiles(Books({"a.mobi", "b.mobi", "c.mobi", "d.mobi"}));
    List().CheckItem(1, true);
    List().CheckItem(3, true);
    Click(IDC_CONVERT_SELECTED);
    ASSERT_TRUE(WaitForRunEnd());
    EXPECT_EQ(Statuses(), (std::vector<wxString>{wxString(), wxS("Finished"), wxString(), wxS("Finished")}));
    EXPECT_EQ(m_dialog->GetRowMap(), (std::vector<int32_t>{1, 3}));
    EXPECT_TRUE(List().IsItemChecked(1));
    EXPECT_TRUE(List().IsItemChecked(3));
    EXPECT_FALSE(List().IsItemChecked(0));
    EXPECT_EQ(GaugeValue(), 100);
}

TEST_F(RunTest, RowsTheEngineRefusesGetNoJobAndNoStatus)
{
    AddFiles({MakeFile("in/notes.epub"), MakeFile("in/a.mobi")});
    Click(IDC_CONVERT_ALL);
    ASSERT_TRUE(WaitForRunEnd());
    EXPECT_EQ(Statuses(), (std::vector<wxString>{wxString(), wxS("Finished")}));
    EXPECT_EQ(m_dialog->GetRowMap(), std::vector<int32_t>{1});

    // Every row refused: the run starts and ends without a job, idle.
    List().DeleteItem(1);
    Click(IDC_CONVERT_ALL);
    ASSERT_TRUE(PumpUntil([this] { return m_dialog->GetEngine().m_nState == STATUS_FINISHED; }));
    ASSERT_TRUE(WaitForRunEnd());
    EXPECT_FALSE(m_dialog->IsConverting());
    ExpectIdleLook();
}

TEST_F(RunTest, DecliningTheReplacementOfTheFirstOfTwoGoesOnRunning)
{
    AddFiles(Books({"a.mobi", "b.mobi"}));
    std::ofstream(m_out / "a.pdf") << "keep me";
    m_prompts.answers = {wxNO};
    m_fake->decide = [](const std::wstring& source) {
        return source.ends_with(L"b.mobi") ? Action::Block : Action::Succeed;
    };
    Click(IDC_CONVERT_ALL);
    ASSERT_TRUE(WaitForBlocked(1));

    ASSERT_EQ(m_prompts.messages.size(), 1u);
    EXPECT_EQ(m_prompts.messages[0].text,
              wxS("'") + Text(m_out / "a.pdf") + wxS("' already exists.\nDo you want to replace it?"));
    EXPECT_EQ(m_prompts.messages[0].caption, wxS("Corvale"));
    EXPECT_TRUE(m_prompts.messages[0].style & wxYES_NO);
    EXPECT_EQ(m_prompts.owners[0], m_dialog);

    EXPECT_EQ(Statuses(), (std::vector<wxString>{wxS("Stopped"), wxS("Converting...")}));
    // The declined file's share counts as done; the second starts there.
    EXPECT_EQ(GaugeValue(), 50 + 12);
    ExpectRunningLook();

    m_fake->Release();
    ASSERT_TRUE(WaitForRunEnd());
    EXPECT_EQ(Statuses(), (std::vector<wxString>{wxS("Stopped"), wxS("Finished")}));
    EXPECT_EQ(ReadAll(m_out / "a.pdf"), "keep me");
    EXPECT_EQ(m_fake->Calls().size(), 1u);
    EXPECT_EQ(GaugeValue(), 100);
    ExpectIdleLook();
}

TEST_F(RunTest, DecliningTheReplacementOfTheOnlyFileEndsIdleWithoutAMessage)
{
    AddFiles(Books({"a.mobi"}));
    std::ofstream(m_out / "a.pdf") << "keep me";
    m_prompts.answers = {wxNO};
    Click(IDC_CONVERT_ALL);
    ASSERT_TRUE(WaitForRunEnd());
    EXPECT_EQ(Statuses(), std::vector<wxString>{wxS("Stopped")});
    EXPECT_EQ(m_prompts.messages.size(), 1u);  // the question only
    EXPECT_EQ(ReadAll(m_out / "a.pdf"), "keep me");
    ExpectIdleLook();
    EXPECT_FALSE(m_dialog->IsConverting());
}

TEST_F(RunTest, AcceptingTheReplacementConverts)
{
    AddFiles(Books({"a.mobi"}));
    std::ofstream(m_out / "a.pdf") << "old";
    m_prompts.answers = {wxYES};
    Click(IDC_CONVERT_ALL);
    ASSERT_TRUE(WaitForRunEnd());
    EXPECT_EQ(Statuses(), std::vector<wxString>{wxS("Finished")});
    EXPECT_NE(ReadAll(m_out / "a.pdf"), "old");
}

TEST_F(RunTest, AFailureMarksTheRowAndTheRunGoesOn)
{
    AddFiles(Books({"a.mobi", "bad.mobi", "c.mobi"}));
    m_fake->decide = [](const std::wstring& source) {
        if (source.ends_with(L"bad.mobi"))
            return Action::Fail;
        return source.ends_with(L"c.mobi") ? Action::Block : Action::Succeed;
    };
    Click(IDC_CONVERT_ALL);
    ASSERT_TRUE(WaitForBlocked(1));
    EXPECT_EQ(Statuses(), (std::vector<wxString>{wxS("Finished"), wxS("Failed"), wxS("Converting...")}));
    ExpectRunningLook();
    EXPECT_TRUE(m_dialog->IsConverting());
    // The failed file's progress is taken back: the third counts from where
    // the second began.
    EXPECT_EQ(GaugeValue(), 32 + 8);

    m_fake->Release();
    ASSERT_TRUE(WaitForRunEnd());
    EXPECT_EQ(Statuses(), (std::vector<wxString>{wxS("Finished"), wxS("Failed"), wxS("Finished")}));
    EXPECT_TRUE(m_prompts.messages.empty());
    ExpectIdleLook();
}

TEST_F(RunTest, AFailureOfTheLastFileEndsIdle)
{
    AddFiles(Books({"a.mobi", "bad.mobi"}));
    m_fake->decide = [](const std::wstring& source) {
        return source.ends_with(L"bad.mobi") ? Action::Fail : Action::Succeed;
    };
    Click(IDC_CONVERT_ALL);
    ASSERT_TRUE(WaitForRunEnd());
    EXPECT_EQ(Statuses(), (std::vector<wxString>{wxS("Finished"), wxS("Failed")}));
    EXPECT_FALSE(m_dialog->IsConverting());
    ExpectIdleLook();
}

TEST_F(RunTest, StopAnsweredNoChangesNothingAndYesStopsTheRun)
{
    AddFiles(Books({"a.mobi", "b.mobi", "c.mobi"}));
    m_fake->decide = [](const std::wstring&) { return Action::Block; };
    Click(IDC_CONVERT_ALL);
    ASSERT_TRUE(WaitForBlocked(1));

    m_prompts.answers = {wxNO};
    Click(IDC_STOP);
    EXPECT_EQ(m_prompts.Texts(), std::vector<wxString>{wxS("Are you sure that you want to stop?")});
    EXPECT_TRUE(m_prompts.messages[0].style & wxYES_NO);
    EXPECT_EQ(m_dialog->GetEngine().m_nState, STATUS_STARTED);
    for (int round = 0; round < 10; ++round)
        Pump();
    EXPECT_EQ(Statuses(), (std::vector<wxString>{wxS("Converting..."), wxString(), wxString()}));
    ExpectRunningLook();

    m_prompts.answers = {wxYES};
    Click(IDC_STOP);
    ASSERT_TRUE(WaitForRunEnd());
    EXPECT_EQ(Statuses(), (std::vector<wxString>(3, wxS("Stopped"))));
    EXPECT_EQ(m_prompts.Texts(),
              (std::vector<wxString>{wxS("Are you sure that you want to stop?"), wxS("Are you sure that you want to stop?"),
                                     wxS("The converting stopped.")}));
    EXPECT_EQ(m_prompts.messages[2].caption, wxS("Corvale"));
    EXPECT_EQ(m_prompts.owners[2], m_dialog);
    EXPECT_EQ(m_dialog->GetEngine().m_nState, STATUS_STOPPED);
    EXPECT_FALSE(m_dialog->IsConverting());
    ExpectIdleLook();
    EXPECT_EQ(m_fake->Calls().size(), 1u);
}

TEST_F(RunTest, TheConvertButtonsDoNothingWhileTheWorkerRuns)
{
    AddFiles(Books({"a.mobi", "b.mobi"}));
    m_fake->decide = [](const std::wstring&) { return Action::Block; };
    Click(IDC_CONVERT_ALL);
    ASSERT_TRUE(WaitForBlocked(1));
    List().CheckItem(1, true);
    // As if a click had come through before the running look hid them.
    SendCommand(IDC_CONVERT_ALL);
    SendCommand(IDC_CONVERT_SELECTED);
    EXPECT_TRUE(m_prompts.messages.empty());
    EXPECT_EQ(Statuses(), (std::vector<wxString>{wxS("Converting..."), wxString()}));
    EXPECT_TRUE(List().IsItemChecked(1));
    EXPECT_EQ(m_dialog->GetEngine().GetJobCount(), 2);

    // The rows of the run stay while its worker lives.
    SendCommand(IDC_REMOVE_ALL);
    SendCommand(IDC_REMOVE_SELECTED);
    EXPECT_EQ(List().GetItemCount(), 2);

    m_fake->ReleaseForever();
    ASSERT_TRUE(WaitForRunEnd());
    EXPECT_EQ(Statuses(), (std::vector<wxString>(2, wxS("Finished"))));
}

TEST_F(RunTest, ANewRunStartsAfreshAfterAnother)
{
    AddFiles(Books({"a.mobi", "b.mobi"}));
    Click(IDC_CONVERT_ALL);
    ASSERT_TRUE(WaitForRunEnd());
    m_prompts.answers = {wxYES, wxYES};
    Click(IDC_CONVERT_ALL);
    ASSERT_TRUE(WaitForRunEnd());
    EXPECT_EQ(Statuses(), (std::vector<wxString>(2, wxS("Finished"))));
    EXPECT_EQ(m_prompts.messages.size(), 2u);  // two replace questions
    EXPECT_EQ(m_fake->Calls().size(), 4u);
}

TEST_F(RunTest, AFileInTheRootFolderHasAnEmptyPathAndKeepsItsFullPath)
{
    m_dialog->AddSourceFile(L"/corvale-test-root.mobi", L"corvale-test-root.mobi");
    EXPECT_EQ(Column(CMyListCtrl::COL_PATH), std::vector<wxString>{wxString()});
    EXPECT_EQ(Column(CMyListCtrl::COL_SIZE), std::vector<wxString>{wxS("?")});
    Click(IDC_CONVERT_ALL);
    ASSERT_TRUE(WaitForRunEnd());
    ASSERT_EQ(m_fake->Calls().size(), 1u);
    EXPECT_EQ(m_fake->Calls()[0].first, L"/corvale-test-root.mobi");
}

TEST_F(RunTest, TheThunkWithoutAWindowAnswersZero)
{
    EXPECT_EQ(CVelmoraDlg::EngineEventThunk(0, EVENT_ASK_OVERWRITE, 0, 0), 0);
    EXPECT_EQ(CVelmoraDlg::EngineEventThunk(0, EVENT_JOB_STATE, 0, STATUS_STARTED), 0);
}

// --- output folder controls -----------------------------------------------------------

TEST_F(RunTest, TheRadiosSetTheEngineAtOnceAndEnableBrowseAndTheField)
{
    ChooseRadio(IDC_SAVE_IN_SOURCE);
    EXPECT_TRUE(m_dialog->GetEngine().m_bSameFolder);
    EXPECT_FALSE(ControlAs<wxRadioButton>(IDC_CUSTOMIZE)->GetValue());
    EXPECT_FALSE(Enabled(IDC_BROWSE));
    EXPECT_FALSE(Enabled(IDC_OUTPUT_FOLDER));

    ChooseRadio(IDC_CUSTOMIZE);
    EXPECT_FALSE(m_dialog->GetEngine().m_bSameFolder);
    EXPECT_FALSE(ControlAs<wxRadioButton>(IDC_SAVE_IN_SOURCE)->GetValue());
    EXPECT_TRUE(Enabled(IDC_BROWSE));
    EXPECT_TRUE(Enabled(IDC_OUTPUT_FOLDER));
}

TEST_F(RunTest, SourceFolderModePutsTargetsBesideTheSourcesAndARunReenablesBrowse)
{
    const auto books = Books({"a.mobi"});
    AddFiles(books);
    ChooseRadio(IDC_SAVE_IN_SOURCE);
    Click(IDC_CONVERT_ALL);
    ASSERT_TRUE(WaitForRunEnd());
    ASSERT_EQ(m_fake->Calls().size(), 1u);
    EXPECT_EQ(m_fake->Calls()[0].second, FromNativePath(Home() / "in" / "a.pdf"));
    // The idle look enables Browse and the field whatever the choice.
    EXPECT_TRUE(ControlAs<wxRadioButton>(IDC_SAVE_IN_SOURCE)->GetValue());
    EXPECT_TRUE(Enabled(IDC_BROWSE));
    EXPECT_TRUE(Enabled(IDC_OUTPUT_FOLDER));
}

TEST_F(RunTest, BrowseSetsTheFolderAndCancelResetsTheField)
{
    const wxString stored = m_dialog->GetOutputFolder();
    TypeOutputFolder(wxS("/typed"));
    Click(IDC_BROWSE);  // cancelled
    ASSERT_EQ(m_prompts.pickTitles, std::vector<wxString>{wxS("Select a folder")});
    EXPECT_EQ(OutputFieldText(), stored);

    const wxString chosen = Text(MakeFolder("chosen"));
    m_prompts.folderToPick = chosen;
    Click(IDC_BROWSE);
    EXPECT_EQ(OutputFieldText(), chosen);
    EXPECT_EQ(m_dialog->GetOutputFolder(), chosen);

    // A path longer than the field's limit is not taken.
    m_prompts.folderToPick = wxString(wxS('/')) + wxString(300, wxS('d'));
    Click(IDC_BROWSE);
    EXPECT_EQ(OutputFieldText(), chosen);

    // A run reads the field back.
    AddFiles(Books({"a.mobi"}));
    Click(IDC_CONVERT_ALL);
    ASSERT_TRUE(WaitForRunEnd());
    EXPECT_EQ(m_fake->Calls()[0].second, FromNativePath(Home() / "chosen" / "a.pdf"));
    EXPECT_EQ(m_dialog->GetEngine().m_strOutputFolder, chosen.ToStdWstring());

    // The field takes at most 260 characters.
    ControlAs<wxTextCtrl>(IDC_OUTPUT_FOLDER)->Clear();
    ControlAs<wxTextCtrl>(IDC_OUTPUT_FOLDER)->WriteText(wxString(259, wxS('e')));
    ControlAs<wxTextCtrl>(IDC_OUTPUT_FOLDER)->WriteText(wxS("fg"));
    EXPECT_LE(OutputFieldText().length(), 260u);
    EXPECT_GE(OutputFieldText().length(), 259u);
}

// --- opening a finished row's PDF ---------------------------------------------------

namespace {

// A double-click (or Enter) on a row, as the list reports it.
void ActivateRow(CMyListCtrl& list, int row)
{
    wxListEvent event(wxEVT_LIST_ITEM_ACTIVATED, list.GetId());
    event.SetEventObject(&list);
    event.m_itemIndex = row;
    list.GetEventHandler()->ProcessEvent(event);
}

// The mouse's double-click in the middle of a row's Path cell, sent to the
// list's own window that holds that point (the rows, not the header).
void DoubleClickRow(CMyListCtrl& list, int row)
{
    wxRect cell;
    ASSERT_TRUE(list.GetSubItemRect(row, CMyListCtrl::COL_PATH, cell));
    const wxPoint middle = cell.GetPosition() + cell.GetSize() / 2;
    wxWindow* rows = nullptr;
    for (wxWindow* child : list.GetChildren()) {
        if (child->GetRect().Contains(middle))
            rows = child;
    }
    ASSERT_NE(rows, nullptr);
    const wxPoint at = rows->ScreenToClient(list.ClientToScreen(middle));
    corvale_test::SendMouse(*rows, wxEVT_LEFT_DOWN, at.x, at.y);
    corvale_test::SendMouse(*rows, wxEVT_LEFT_UP, at.x, at.y);
    corvale_test::SendMouse(*rows, wxEVT_LEFT_DCLICK, at.x, at.y);
    corvale_test::SendMouse(*rows, wxEVT_LEFT_UP, at.x, at.y);
}

std::vector<fs::path> OpenedFiles(const std::vector<wxString>& urls)
{
    std::vector<fs::path> files;
    for (const wxString& url : urls)
        files.push_back(ToNativePath(wxFileName::URLToFileName(url).GetFullPath().ToStdWstring()));
    return files;
}

}  // namespace

TEST_F(RunTest, DoubleClickOpensTheFinishedRowsPdfOnly)
{
    m_fake->decide = [](const std::wstring& source) {
        return source.ends_with(L"bad.mobi") ? Action::Fail : Action::Succeed;
    };
    AddFiles(Books({"one.mobi", "bad.mobi", "tw\xC3\xB6.mobi"}));
    Click(IDC_CONVERT_ALL);
    ASSERT_TRUE(WaitForRunEnd());
    AddFiles(Books({"later.mobi"}));  // never converted
    ASSERT_EQ(Statuses(), (std::vector<wxString>{wxS("Finished"), wxS("Failed"), wxS("Finished"), wxString()}));

    struct Case {
        int row;
        std::vector<fs::path> opened;
    };
    const Case cases[] = {
        {0, {m_out / "one.pdf"}},
        {1, {}},  // failed
        {2, {m_out / "tw\xC3\xB6.pdf"}},
        {3, {}},  // not converted
        {7, {}},  // no such row
    };
    for (const Case& c : cases) {
        m_openedUrls.clear();
        ActivateRow(List(), c.row);
        EXPECT_EQ(OpenedFiles(m_openedUrls), c.opened) << "row " << c.row;
    }
    EXPECT_TRUE(m_prompts.messages.empty());

    // A real double-click on the row's Path text, as the mouse gives it.
    m_openedUrls.clear();
    DoubleClickRow(List(), 2);
    EXPECT_EQ(OpenedFiles(m_openedUrls), std::vector<fs::path>{m_out / "tw\xC3\xB6.pdf"});

    // The desktop has no program for it.
    SetUrlOpener([](const wxString&) { return false; });
    ActivateRow(List(), 0);
    EXPECT_EQ(m_prompts.Texts(),
              std::vector<wxString>{wxS("No program could open '") + Text(m_out / "one.pdf") + wxS("'.")});
    m_prompts.messages.clear();
    SetUrlOpener([this](const wxString& url) {
        m_openedUrls.push_back(url);
        return true;
    });

    // Rows removed after the run: each remaining row still opens its own PDF.
    List().CheckItem(0, true);
    Click(IDC_REMOVE_SELECTED);
    ASSERT_EQ(Column(CMyListCtrl::COL_FILE)[1], wxString::FromUTF8("tw\xC3\xB6.mobi"));
    m_openedUrls.clear();
    ActivateRow(List(), 1);
    EXPECT_EQ(OpenedFiles(m_openedUrls), std::vector<fs::path>{m_out / "tw\xC3\xB6.pdf"});

    // A PDF deleted since is not handed to the desktop.
    fs::remove(m_out / "tw\xC3\xB6.pdf");
    m_openedUrls.clear();
    ActivateRow(List(), 1);
    EXPECT_TRUE(m_openedUrls.empty());
    EXPECT_EQ(m_prompts.Texts(),
              std::vector<wxString>{wxS("'") + Text(m_out / "tw\xC3\xB6.pdf") + wxS("' no longer exists.")});
}
