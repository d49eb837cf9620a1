// Runs from the window through the real tools in bin/core: mobi2html and
// wkhtmltopdf. Books are made with the project's MOBI writer.
#include "app_test_support.h"

#include "app/dlg_ids.h"
#include "base/paths.h"
#include "skin/my_list_ctrl.h"
#include "support/test_fonts.h"
#include "support/test_books.h"
#include "wx_test_env.h"

#include <fstream>
#include <set>

using namespace app_test;

namespace {

wxString Text(const fs::path& path) { return wxString(FromNativePath(path)); }

std::string Head(const fs::path& file, size_t count)
{
    std::ifstream in(file, std::ios::binary);
    std::string head(count, '\0');
    in.read(head.data(), static_cast<std::streamsize>(count));
    head.resize(static_cast<size_t>(in.gcount()));
    return head;
}

}  // namespace

class RealPipelineTest : public AppTest {
protected:
    void SetUp() override
    {
        AppTest::SetUp();
        MakeDialog();  // the real engine
        m_out = MakeFolder("out");
        TypeOutputFolder(Text(m_out));
    }

    fs::path Book(const std::string& name)
    {
        const fs::path book = MakeFolder("books") / name;
        EXPECT_TRUE(WriteSampleBook(book));
        return book;
    }

    // Pumps until the run has ended, noting every Status text each row shows
    // and the look while a row reads "Converting...".
    bool Watch()
    {
        m_seen.assign(static_cast<size_t>(List().GetItemCount()), {});
        m_lookWhileConverting.assign(m_seen.size(), true);
        return PumpUntil([this] {
            const auto statuses = Statuses();
            for (size_t row = 0; row < statuses.size(); ++row) {
                if (!statuses[row].empty())
                    m_seen[row].insert(statuses[row]);
                if (statuses[row] == wxS("Converting...") && !m_dialog->IsRunningLook())
                    m_lookWhileConverting[row] = false;
            }
            return !m_dialog->GetEngine().IsWorkerRunning() && !m_dialog->IsRunningLook();
        });
    }

    fs::path m_out;
    std::vector<std::set<wxString>> m_seen;
    std::vector<bool> m_lookWhileConverting;
};

TEST_F(RealPipelineTest, ThreeBooksAreConverted)
{
    AddFiles({Book("one.mobi"), Book("two.mobi"), Book("three.mobi")});
    Click(IDC_CONVERT_ALL);
    ASSERT_TRUE(Watch());

    EXPECT_EQ(Statuses(), (std::vector<wxString>(3, wxS("Finished"))));
    for (size_t row = 0; row < 3; ++row) {
        EXPECT_TRUE(m_seen[row].count(wxS("Converting..."))) << row;
        EXPECT_TRUE(m_lookWhileConverting[row]) << row;
    }
    for (const char* name : {"one.pdf", "two.pdf", "three.pdf"}) {
        ASSERT_TRUE(fs::exists(m_out / name)) << name;
        EXPECT_EQ(Head(m_out / name, 5), "%PDF-") << name;
    }
    EXPECT_EQ(GaugeValue(), 100);
    EXPECT_FALSE(m_dialog->IsConverting());
    EXPECT_TRUE(Shown(IDC_CONVERT_ALL));
    EXPECT_FALSE(Shown(IDC_PROGRESS));
    EXPECT_TRUE(m_prompts.messages.empty());
}

TEST_F(RealPipelineTest, ADeclinedReplacementAndABrokenBookLeaveTheRestToConvert)
{
    const fs::path first = Book("first.mobi");
    const fs::path broken = MakeFile("books/broken.mobi", 5000);  // not a MOBI book
    const fs::path last = Book("last.mobi");
    std::ofstream(m_out / "first.pdf") << "keep me";
    m_prompts.answers = {wxNO};
    AddFiles({first, broken, last});
    Click(IDC_CONVERT_ALL);
    ASSERT_TRUE(Watch());

    EXPECT_EQ(Statuses(), (std::vector<wxString>{wxS("Stopped"), wxS("Failed"), wxS("Finished")}));
    EXPECT_EQ(m_prompts.Texts(), std::vector<wxString>{wxS("'") + Text(m_out / "first.pdf") +
                                                       wxS("' already exists.\nDo you want to replace it?")});
    EXPECT_EQ(Head(m_out / "first.pdf", 100), "keep me");
    EXPECT_FALSE(fs::exists(m_out / "broken.pdf"));
    EXPECT_EQ(Head(m_out / "last.pdf", 5), "%PDF-");
    // The run went on in its running look.
    EXPECT_TRUE(m_seen[2].count(wxS("Converting...")));
    EXPECT_TRUE(m_lookWhileConverting[2]);
    EXPECT_EQ(GaugeValue(), 100);
    EXPECT_FALSE(m_dialog->IsConverting());
}

TEST_F(RealPipelineTest, PointingAtARowThatDidNotFinishTellsWhy)
{
    const fs::path drm = MakeFolder("books") / "locked.mobi";
    fs::copy_file(fs::path(CORVALE_SAMPLES_DIR) / "sample-drm-v1.mobi", drm);
    const fs::path kept = Book("kept.mobi");
    std::ofstream(m_out / "kept.pdf") << "keep me";
    m_prompts.answers = {wxNO};
    AddFiles({drm, MakeFile("books/text.mobi", 3000), kept, Book("good.mobi")});
    Click(IDC_CONVERT_ALL);
    ASSERT_TRUE(Watch());

    CMyListCtrl& list = List();
    const std::vector<wxString> tips{wxS("The book is protected by DRM."), wxS("The file is not a MOBI book."),
                                     wxS("A file of that name exists and was kept."), wxString()};
    EXPECT_EQ(Statuses(), (std::vector<wxString>{wxS("Failed"), wxS("Failed"), wxS("Stopped"), wxS("Finished")}));
    for (long row = 0; row < 4; ++row) {
        EXPECT_EQ(list.GetRowToolTip(row), tips[static_cast<size_t>(row)]) << row;
        // The pointer over the row shows its tip, as the window system would.
        wxRect rect;
        ASSERT_TRUE(list.GetItemRect(row, rect));
        wxWindow& rows = *list.GetRowsWindow();
        const wxPoint middle = rows.ScreenToClient(list.ClientToScreen(rect.GetPosition() + rect.GetSize() / 2));
        corvale_test::SendMouse(rows, wxEVT_MOTION, middle.x, middle.y);
        EXPECT_EQ(list.GetRowsWindow()->GetToolTipText(), tips[static_cast<size_t>(row)]) << row;
    }

    // Tips move with their rows, and each run sets them anew: this time
    // good.pdf exists and is replaced (the question's answer runs out: yes).
    list.CheckItem(0, true);
    Click(IDC_REMOVE_SELECTED);
    EXPECT_EQ(list.GetRowToolTip(0), tips[1]);
    EXPECT_EQ(list.GetRowToolTip(1), tips[2]);
    m_prompts.answers = {wxNO};
    Click(IDC_CONVERT_ALL);
    ASSERT_TRUE(Watch());
    EXPECT_EQ(Statuses(), (std::vector<wxString>{wxS("Failed"), wxS("Stopped"), wxS("Finished")}));
    EXPECT_EQ(list.GetRowToolTip(0), tips[1]);
    EXPECT_EQ(list.GetRowToolTip(1), tips[2]);
    EXPECT_EQ(list.GetRowToolTip(2), wxString());
}

TEST_F(RealPipelineTest, ABookWhoseTextNoFontCouldDrawFinishesAndSaysSo)
{
    const ScopedFonts fonts;  // inherited by the tools
    const fs::path chinese = MakeFolder("books") / "chinese.mobi";
    ASSERT_TRUE(WriteMobiBook(chinese, MakeParagraphBook("Chinese", {kChineseParagraph})));
    AddFiles({chinese, Book("latin.mobi")});
    Click(IDC_CONVERT_ALL);
    ASSERT_TRUE(Watch());

    EXPECT_EQ(Statuses(), (std::vector<wxString>(2, wxS("Finished"))));
    EXPECT_EQ(List().GetRowToolTip(0), wxS("Finished, but no font could draw its Chinese text."));
    EXPECT_EQ(List().GetRowToolTip(1), wxString());
    EXPECT_EQ(Head(m_out / "chinese.pdf", 5), "%PDF-");
}

// The real engine with stand-in tools that run until they are killed: Stop
// ends the conversion that is under way.
TEST_F(AppTest, StopEndsARealConversionWhoseToolHangs)
{
    const fs::path tools = MakeFolder("tools");
    for (const char* name : {"mobi2html", "wkhtmltopdf"}) {
        std::ofstream(tools / name) << "#!/bin/sh\nexec sleep 1000\n";
        fs::permissions(tools / name, fs::perms::owner_all);
    }
    auto engine = std::make_unique<Engine<MobiPdfEng>>();
    engine->m_strToolFolder = FromNativePath(tools) + kPathSeparator;
    MakeDialog(std::move(engine));
    TypeOutputFolder(Text(MakeFolder("out")));
    AddFiles({MakeFile("books/a.mobi"), MakeFile("books/b.mobi")});
    Click(IDC_CONVERT_ALL);
    ASSERT_TRUE(PumpUntil([this] { return Statuses()[0] == wxS("Converting..."); }));

    m_prompts.answers = {wxYES};
    Click(IDC_STOP);
    ASSERT_TRUE(WaitForRunEnd());
    EXPECT_EQ(Statuses(), (std::vector<wxString>(2, wxS("Stopped"))));
    EXPECT_EQ(m_prompts.Texts(),
              (std::vector<wxString>{wxS("Are you sure that you want to stop?"), wxS("The converting stopped.")}));
    EXPECT_FALSE(m_dialog->IsConverting());
    EXPECT_TRUE(Shown(IDC_CONVERT_ALL));
}
