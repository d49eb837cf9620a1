// The file list control (columns, row check boxes, header check box) and the
// file commands: Add File(s), Add Folder, Remove Selected, Remove All, drops.
#include "app_test_support.h"

#include "app/app_command_line.h"
#include "app/dlg_ids.h"
#include "app/file_filter.h"
#include "base/paths.h"
#include "skin/my_list_ctrl.h"

#include <wx/dnd.h>
#include <wx/textctrl.h>

using namespace app_test;

namespace {

int ColumnImage(CMyListCtrl& list, int column)
{
    wxListItem item;
    item.SetMask(wxLIST_MASK_IMAGE);
    list.GetColumn(column, item);
    return item.GetImage();
}

void ClickColumn(CMyListCtrl& list, int column)
{
    wxListEvent event(wxEVT_LIST_COL_CLICK, list.GetId());
    event.SetEventObject(&list);
    event.m_col = column;
    list.GetEventHandler()->ProcessEvent(event);
}

std::vector<bool> Checks(CMyListCtrl& list)
{
    std::vector<bool> checks;
    for (int row = 0; row < list.GetItemCount(); ++row)
        checks.push_back(list.IsItemChecked(row));
    return checks;
}

wxString Text(const fs::path& path) { return wxString(FromNativePath(path)); }

wxString U8(const char8_t* text) { return wxString::FromUTF8(reinterpret_cast<const char*>(text)); }

}  // namespace

// --- the list control ----------------------------------------------------------

TEST(FileListColumns, WidthsAreThirteenthsThatFillTheWidth)
{
    EXPECT_EQ(CMyListCtrl::ColumnWidths(1300), (std::array<int, 4>{400, 300, 400, 200}));
    EXPECT_EQ(CMyListCtrl::ColumnWidths(520), (std::array<int, 4>{160, 120, 160, 80}));
    const std::array<int, 4> odd = CMyListCtrl::ColumnWidths(531);  // u = 40
    EXPECT_EQ(odd, (std::array<int, 4>{160, 120, 160, 91}));
    EXPECT_EQ(CMyListCtrl::ColumnWidths(12), (std::array<int, 4>{0, 0, 0, 12}));
}

TEST_F(AppTest, ListHasFourColumnsWithCheckBoxesAndGridLines)
{
    MakeDialog();
    CMyListCtrl& list = List();
    EXPECT_TRUE(list.InReportView());
    EXPECT_TRUE(list.HasCheckBoxes());
    EXPECT_TRUE(list.HasFlag(wxLC_HRULES));
    EXPECT_TRUE(list.HasFlag(wxLC_VRULES));
    ASSERT_EQ(list.GetColumnCount(), 4);
    const wxString titles[] = {wxS("File"), wxS("Size(KB)"), wxS("Path"), wxS("Status")};
    for (int column = 0; column < 4; ++column) {
        wxListItem item;
        item.SetMask(wxLIST_MASK_TEXT | wxLIST_MASK_FORMAT);
        list.GetColumn(column, item);
        EXPECT_EQ(item.GetText(), titles[column]);
        EXPECT_EQ(item.GetAlign(), column == 1 ? wxLIST_FORMAT_RIGHT : wxLIST_FORMAT_LEFT);
    }

    const auto expectWidths = [&list] {
        const int w = list.GetColumnsClientWidth();
        ASSERT_GT(w, 100);
        const std::array<int, 4> widths = CMyListCtrl::ColumnWidths(w);
        int sum = 0;
        for (int column = 0; column < 4; ++column) {
            EXPECT_EQ(list.GetColumnWidth(column), widths[static_cast<size_t>(column)]) << column;
            sum += list.GetColumnWidth(column);
        }
        EXPECT_EQ(sum, w);
    };
    expectWidths();

    // After a resize the columns share the new width the same way.
    const int before = list.GetColumnsClientWidth();
    m_dialog->SetSize(m_dialog->GetSize() + wxSize(260, 40));
    ASSERT_TRUE(PumpUntil([&] { return list.GetColumnsClientWidth() != before; }));
    EXPECT_EQ(list.GetColumnsClientWidth(), before + 260);
    expectWidths();
}

TEST_F(AppTest, HeaderCheckBoxFollowsTheRows)
{
    MakeDialog();
    CMyListCtrl& list = List();
    // An empty list: a click leaves the header clear.
    ClickColumn(list, 0);
    EXPECT_FALSE(list.IsHeaderChecked());
    EXPECT_EQ(ColumnImage(list, 0), 0);

    for (const char* name : {"a.mobi", "b.mobi", "c.mobi"})
        list.InsertItem(list.GetItemCount(), wxString(name));
    EXPECT_FALSE(list.IsHeaderChecked());

    // Ticking the last unticked row ticks the header; clearing any clears it.
    list.CheckItem(0, true);
    list.CheckItem(1, true);
    EXPECT_FALSE(list.IsHeaderChecked());
    list.CheckItem(2, true);
    EXPECT_TRUE(list.IsHeaderChecked());
    EXPECT_EQ(ColumnImage(list, 0), 1);
    list.CheckItem(1, false);
    EXPECT_FALSE(list.IsHeaderChecked());
    EXPECT_EQ(ColumnImage(list, 0), 0);

    // A click on the header's box ticks every row when it was clear...
    ClickColumn(list, 0);
    EXPECT_EQ(Checks(list), (std::vector<bool>{true, true, true}));
    EXPECT_TRUE(list.IsHeaderChecked());
    // ...and clears every row when it was checked.
    ClickColumn(list, 0);
    EXPECT_EQ(Checks(list), (std::vector<bool>{false, false, false}));
    EXPECT_FALSE(list.IsHeaderChecked());
    // Other columns' headers do not tick anything.
    ClickColumn(list, 2);
    EXPECT_EQ(Checks(list), (std::vector<bool>{false, false, false}));

    // A new row comes unticked: the header clears.
    list.SetAllChecks(true);
    EXPECT_TRUE(list.IsHeaderChecked());
    list.InsertItem(list.GetItemCount(), wxS("d.mobi"));
    EXPECT_FALSE(list.IsHeaderChecked());

    // Deleting one row while others remain does not recompute the header;
    // the next change of a row's state does.
    list.DeleteItem(3);
    EXPECT_FALSE(list.IsHeaderChecked());
    list.SetItemState(0, wxLIST_STATE_SELECTED, wxLIST_STATE_SELECTED);
    EXPECT_TRUE(list.IsHeaderChecked());

    // Deleting the rows one by one down to none clears it.
    list.DeleteItem(0);
    list.DeleteItem(0);
    EXPECT_TRUE(list.IsHeaderChecked());
    list.DeleteItem(0);
    EXPECT_FALSE(list.IsHeaderChecked());

    // So does deleting all rows.
    list.InsertItem(0, wxS("e.mobi"));
    list.CheckItem(0, true);
    EXPECT_TRUE(list.IsHeaderChecked());
    list.DeleteAllItems();
    EXPECT_FALSE(list.IsHeaderChecked());
}

// --- Add File(s) -------------------------------------------------------------------

TEST(FileDialogWildcard, MakesAWildcardThatTakesAnyCase)
{
    const std::wstring filter(L"Files (*.mobi)\0*.mobi\0", 22);
    const std::wstring withClosingNul = filter + L'\0';
#ifdef __WINDOWS__
    EXPECT_EQ(MakeFileDialogWildcard(withClosingNul), wxS("Files (*.mobi)|*.mobi"));
#else
    EXPECT_EQ(MakeFileDialogWildcard(withClosingNul), wxS("Files (*.mobi)|*.mobi;*.MOBI;*.Mobi"));
    EXPECT_TRUE(wxMatchWild(wxS("*.MOBI"), wxS("Book.MOBI")));
#endif
}

TEST_F(AppTest, AddFilesListsNameSizeInKilobytesAndFolder)
{
    MakeDialog();
    const fs::path small = MakeFile("books/small.mobi", 1023);
    const fs::path two = MakeFile("books/Two.MOBI", 2048);
    const fs::path big = MakeFile("books/big.mobi", 1536);
    AddFiles({small, two, big});

    EXPECT_EQ(m_prompts.openTitle, wxS("Select Files"));
#ifndef __WINDOWS__
    EXPECT_EQ(m_prompts.openWildcard, wxS("Files (*.mobi)|*.mobi;*.MOBI;*.Mobi"));
#endif
    EXPECT_EQ(Column(CMyListCtrl::COL_FILE), (std::vector<wxString>{wxS("small.mobi"), wxS("Two.MOBI"), wxS("big.mobi")}));
    EXPECT_EQ(Column(CMyListCtrl::COL_SIZE), (std::vector<wxString>{wxS("0"), wxS("2"), wxS("1")}));
    const wxString folder = Text(Home() / "books");
    EXPECT_EQ(Column(CMyListCtrl::COL_PATH), (std::vector<wxString>(3, folder)));
    EXPECT_EQ(Statuses(), (std::vector<wxString>(3, wxString())));
    EXPECT_EQ(Checks(List()), (std::vector<bool>(3, false)));
    EXPECT_TRUE(m_prompts.messages.empty());

    // A cancelled dialog adds nothing.
    Click(IDC_ADD_FILES);
    EXPECT_EQ(List().GetItemCount(), 3);
}

TEST_F(AppTest, AFileWhoseSizeCannotBeReadShowsAQuestionMark)
{
    MakeDialog();
    const fs::path gone = Home() / "gone.mobi";
    fs::create_symlink(Home() / "nowhere.mobi", gone);
    AddFiles({gone});
    ASSERT_EQ(List().GetItemCount(), 1);
    EXPECT_EQ(Column(CMyListCtrl::COL_SIZE)[0], wxS("?"));
}

TEST_F(AppTest, AFileAlreadyListedIsRefusedOncePerFile)
{
    MakeDialog();
    const fs::path a = MakeFile("one/a.mobi");
    const fs::path b = MakeFile("one/b.mobi");
    AddFiles({a, b});
    AddFiles({a, MakeFile("one/c.mobi"), b});
    EXPECT_EQ(m_prompts.Texts(), (std::vector<wxString>{wxS("'a.mobi' is already added."), wxS("'b.mobi' is already added.")}));
    EXPECT_EQ(m_prompts.messages[0].caption, wxS("Corvale"));
    EXPECT_EQ(m_prompts.messages[0].style & wxYES_NO, 0);
    EXPECT_EQ(Column(CMyListCtrl::COL_FILE), (std::vector<wxString>{wxS("a.mobi"), wxS("b.mobi"), wxS("c.mobi")}));

    // The same name in another folder, or in another case, is another file.
    m_prompts.messages.clear();
    AddFiles({MakeFile("two/a.mobi"), MakeFile("one/A.mobi")});
    EXPECT_TRUE(m_prompts.messages.empty());
    EXPECT_EQ(List().GetItemCount(), 5);

    // Added by Add Folder after Add File(s): refused too.
    m_prompts.folderToPick = Text(Home() / "two");
    Click(IDC_ADD_FOLDER);
    EXPECT_EQ(m_prompts.Texts(), std::vector<wxString>{wxS("'a.mobi' is already added.")});
    EXPECT_EQ(List().GetItemCount(), 5);
}

// --- Add Folder --------------------------------------------------------------------

TEST_F(AppTest, AddFolderTakesTheMobiFilesDirectlyInsideInAnyCase)
{
    MakeDialog();
    MakeFile("lib/x.mobi", 4096);
    MakeFile("lib/Y.MOBI");
    MakeFile("lib/z.Mobi");
    MakeFile("lib/notes.txt");
    MakeFile("lib/x.mobi.bak");
    MakeFolder("lib/folder.mobi");  // a folder is not a book
    MakeFile("lib/sub/deep.mobi");
    m_prompts.folderToPick = Text(Home() / "lib");
    Click(IDC_ADD_FOLDER);

    ASSERT_EQ(m_prompts.pickTitles, std::vector<wxString>{wxS("Select a folder")});
    EXPECT_EQ(Column(CMyListCtrl::COL_FILE), (std::vector<wxString>{wxS("Y.MOBI"), wxS("x.mobi"), wxS("z.Mobi")}));
    EXPECT_EQ(Column(CMyListCtrl::COL_SIZE)[1], wxS("4"));
    EXPECT_EQ(Column(CMyListCtrl::COL_PATH), (std::vector<wxString>(3, Text(Home() / "lib"))));

    // A folder given with a trailing separator gives the same paths.
    List().DeleteAllItems();
    m_prompts.folderToPick = Text(Home() / "lib") + wxS("/");
    Click(IDC_ADD_FOLDER);
    EXPECT_EQ(Column(CMyListCtrl::COL_PATH), (std::vector<wxString>(3, Text(Home() / "lib"))));
}

TEST_F(AppTest, AddFolderResetsTheOutputFieldChosenOrCancelled)
{
    MakeDialog();
    const wxString stored = m_dialog->GetOutputFolder();
    TypeOutputFolder(wxS("/typed/but/not/used"));
    Click(IDC_ADD_FOLDER);  // cancelled
    EXPECT_EQ(List().GetItemCount(), 0);
    EXPECT_EQ(OutputFieldText(), stored);

    MakeFile("f/a.mobi");
    TypeOutputFolder(wxS("/typed/again"));
    m_prompts.folderToPick = Text(Home() / "f");
    Click(IDC_ADD_FOLDER);
    EXPECT_EQ(List().GetItemCount(), 1);
    EXPECT_EQ(OutputFieldText(), stored);
}

TEST_F(AppTest, NonAsciiNamesSurviveFromTheFolderToTheEngine)
{
    MakeDialogWithFake();
    const fs::path folder = MakeFolder(fs::path(u8"Bücher ünd книги"));
    const fs::path book = MakeFile(fs::path(u8"Bücher ünd книги") / fs::path(u8"Ærø – 東京.mobi"), 3000);
    m_prompts.folderToPick = Text(folder);
    Click(IDC_ADD_FOLDER);
    ASSERT_EQ(List().GetItemCount(), 1);
    EXPECT_EQ(Column(CMyListCtrl::COL_FILE)[0], U8(u8"Ærø – 東京.mobi"));
    EXPECT_EQ(Column(CMyListCtrl::COL_PATH)[0], Text(folder));

    TypeOutputFolder(Text(MakeFolder("out")));
    Click(IDC_CONVERT_ALL);
    ASSERT_TRUE(WaitForRunEnd());
    const auto calls = m_fake->Calls();
    ASSERT_EQ(calls.size(), 1u);
    EXPECT_EQ(calls[0].first, FromNativePath(book));
    EXPECT_EQ(Statuses(), std::vector<wxString>{wxS("Finished")});
    EXPECT_TRUE(fs::exists(Home() / "out" / fs::path(u8"Ærø – 東京.pdf")));
}

// --- removing ------------------------------------------------------------------------

TEST_F(AppTest, RemoveSelectedRemovesTickedRowsAdjacentOnesToo)
{
    MakeDialog();
    AddFiles({MakeFile("r/0.mobi"), MakeFile("r/1.mobi"), MakeFile("r/2.mobi"), MakeFile("r/3.mobi"),
              MakeFile("r/4.mobi")});
    // Nothing ticked: nothing removed.
    Click(IDC_REMOVE_SELECTED);
    EXPECT_EQ(List().GetItemCount(), 5);

    List().CheckItem(1, true);
    List().CheckItem(2, true);
    List().CheckItem(4, true);
    List().SetItemState(3, wxLIST_STATE_SELECTED, wxLIST_STATE_SELECTED);  // highlighted is not ticked
    Click(IDC_REMOVE_SELECTED);
    EXPECT_EQ(Column(CMyListCtrl::COL_FILE), (std::vector<wxString>{wxS("0.mobi"), wxS("3.mobi")}));

    // All ticked: all go, and the header clears.
    List().SetAllChecks(true);
    EXPECT_TRUE(List().IsHeaderChecked());
    Click(IDC_REMOVE_SELECTED);
    EXPECT_EQ(List().GetItemCount(), 0);
    EXPECT_FALSE(List().IsHeaderChecked());
}

TEST_F(AppTest, RemoveAllEmptiesTheListAndTheEnginesQueue)
{
    MakeDialogWithFake();
    AddFiles({MakeFile("q/a.mobi"), MakeFile("q/b.mobi")});
    TypeOutputFolder(Text(MakeFolder("out")));
    Click(IDC_CONVERT_ALL);
    ASSERT_TRUE(WaitForRunEnd());
    EXPECT_EQ(m_dialog->GetEngine().GetJobCount(), 2);
    List().SetAllChecks(true);

    Click(IDC_REMOVE_ALL);
    EXPECT_EQ(List().GetItemCount(), 0);
    EXPECT_EQ(m_dialog->GetEngine().GetJobCount(), 0);
    EXPECT_FALSE(List().IsHeaderChecked());
    // With an empty list nothing happens.
    Click(IDC_REMOVE_ALL);
    EXPECT_TRUE(m_prompts.messages.empty());
}

// --- dropping files ------------------------------------------------------------------

TEST_F(AppTest, DroppedMobiFilesAndFoldersAreAdded)
{
    MakeDialog();
    const fs::path book = MakeFile("drop/Book.MOBI", 2048);
    const fs::path text = MakeFile("drop/readme.txt");
    MakeFile("shelf/s1.mobi");
    MakeFile("shelf/s2.mobi");
    MakeFile("shelf/other.pdf");

    auto* target = dynamic_cast<wxFileDropTarget*>(List().GetDropTarget());
    ASSERT_NE(target, nullptr);
    wxArrayString paths;
    paths.push_back(Text(book));
    paths.push_back(Text(text));
    paths.push_back(Text(Home() / "shelf"));
    EXPECT_TRUE(target->OnDropFiles(10, 10, paths));
    EXPECT_EQ(Column(CMyListCtrl::COL_FILE), (std::vector<wxString>{wxS("Book.MOBI"), wxS("s1.mobi"), wxS("s2.mobi")}));
    EXPECT_EQ(Column(CMyListCtrl::COL_SIZE)[0], wxS("2"));

    // Only other files: nothing taken.
    wxArrayString others;
    others.push_back(Text(text));
    EXPECT_FALSE(target->OnDropFiles(10, 10, others));

    // Nothing is taken during a run.
    m_dialog->SetRunningLook(true);
    wxArrayString more;
    more.push_back(Text(MakeFile("drop/late.mobi")));
    EXPECT_FALSE(target->OnDropFiles(10, 10, more));
    m_dialog->SetRunningLook(false);
    EXPECT_EQ(List().GetItemCount(), 3);
}

// --- books named on the command line ------------------------------------------------

TEST_F(AppTest, BooksNamedOnTheCommandLineAreAddedAsAddFilesAddsThem)
{
    const fs::path one = MakeFile("books/One.mobi", 3000);
    const fs::path two = MakeFile("other/Two.mobi", 1024);
    MakeFile("shelf/Three.mobi", 10);
    MakeFile("shelf/notes.txt");
    MakeFolder("shelf/box.mobi");
    const fs::path text = MakeFile("readme.txt");
    const fs::path missing = Home() / "gone.mobi";

    struct Case {
        const char* what;
        std::vector<fs::path> args;
        std::vector<wxString> files;
        std::vector<wxString> sizes;
        std::vector<wxString> messages;
        std::vector<fs::path> leftOut;
    };
    const Case cases[] = {
        {"a book named twice", {one, two, one},
         {wxS("One.mobi"), wxS("Two.mobi")}, {wxS("2"), wxS("1")}, {wxS("'One.mobi' is already added.")}, {}},
        {"a folder", {Home() / "shelf"}, {wxS("Three.mobi")}, {wxS("0")}, {}, {}},
        {"not books", {text, missing, two}, {wxS("Two.mobi")}, {wxS("1")}, {}, {text, missing}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        MakeDialog();
        m_prompts.messages.clear();
        std::vector<std::wstring> args;
        for (const fs::path& arg : c.args)
            args.push_back(FromNativePath(arg));
        const AppCommandLine commandLine = ParseAppCommandLine(args);
        ASSERT_EQ(commandLine.action, AppCommandLine::Action::OpenWindow);

        std::vector<fs::path> leftOut;
        for (const std::wstring& path : m_dialog->AddPaths(commandLine.paths))
            leftOut.push_back(ToNativePath(path));
        EXPECT_EQ(Column(CMyListCtrl::COL_FILE), c.files);
        EXPECT_EQ(Column(CMyListCtrl::COL_SIZE), c.sizes);
        EXPECT_EQ(m_prompts.Texts(), c.messages);
        EXPECT_EQ(leftOut, c.leftOut);
        CloseDialog();
    }
}
