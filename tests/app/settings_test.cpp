// The settings store: defaults, saving at close, restoring at start, and
// the window placement's corrections.
#include "app_test_support.h"

#include "app/dlg_ids.h"
#include "settings/settings_store.h"
#include "settings/options.h"

#include <cstdlib>

#include <wx/confbase.h>

using namespace app_test;

namespace {

const std::vector<wxRect> kOneScreen{wxRect(0, 0, 1600, 1200)};

StoredPlacement Placement(long left, long top, long right, long bottom)
{
    StoredPlacement stored;
    stored.left = left;
    stored.top = top;
    stored.right = right;
    stored.bottom = bottom;
    return stored;
}

long ReadLong(wxConfigBase& config, const wxString& key)
{
    long value = -999999;
    config.Read(key, &value);
    return value;
}

}  // namespace

// --- placement rules ---------------------------------------------------------------------

TEST(WindowPlacement, StoredRectangleIsUsedAsItIs)
{
    EXPECT_EQ(ChooseWindowRect(Placement(100, 120, 1000, 820), kOneScreen), wxRect(100, 120, 900, 700));
}

TEST(WindowPlacement, NothingStoredGivesTheDefaultSizeAtTheTopLeftCorner)
{
    EXPECT_EQ(ChooseWindowRect(StoredPlacement(), kOneScreen), wxRect(0, 0, 850, 650));
}

TEST(WindowPlacement, RightZeroIgnoresBottomAndUsesTheDefaultSizeAtLeftTop)
{
    EXPECT_EQ(ChooseWindowRect(Placement(30, 40, 0, 999), kOneScreen), wxRect(30, 40, 850, 650));
}

TEST(WindowPlacement, NegativeLeftAndTopAreRaisedToZeroKeepingTheSize)
{
    EXPECT_EQ(ChooseWindowRect(Placement(-100, -50, 800, 700), kOneScreen), wxRect(0, 0, 900, 750));
    EXPECT_EQ(ChooseWindowRect(Placement(-32000, 10, 0, 0), kOneScreen), wxRect(0, 10, 850, 650));
}

TEST(WindowPlacement, ARectangleNoDisplayShowsGivesTheDefaultPlacement)
{
    EXPECT_EQ(ChooseWindowRect(Placement(5000, 5000, 5900, 5700), kOneScreen), wxRect(0, 0, 850, 650));
    // Partly visible is visible.
    EXPECT_EQ(ChooseWindowRect(Placement(1500, 1100, 2400, 1800), kOneScreen), wxRect(1500, 1100, 900, 700));
    // On a second display that is attached, or not any more.
    const std::vector<wxRect> two{wxRect(0, 0, 1600, 1200), wxRect(1600, 0, 1920, 1080)};
    EXPECT_EQ(ChooseWindowRect(Placement(2000, 100, 2900, 800), two), wxRect(2000, 100, 900, 700));
    EXPECT_EQ(ChooseWindowRect(Placement(2000, 100, 2900, 800), kOneScreen), wxRect(0, 0, 850, 650));
}

TEST(WindowPlacement, ARectangleWithoutAreaGivesTheDefaultSize)
{
    EXPECT_EQ(ChooseWindowRect(Placement(50, 60, 40, 900), kOneScreen), wxRect(50, 60, 850, 650));
}

// --- the store's place -------------------------------------------------------------------

TEST_F(AppTest, SettingsLiveInTheUsersConfigurationFolder)
{
    EXPECT_EQ(GetSettingsFilePath(), wxString((Home() / "config" / "Lumeno" / "Corvale.conf").string()));
    m_configEnv.Set(std::nullopt);
    EXPECT_EQ(GetSettingsFilePath(), wxString((Home() / ".config" / "Lumeno" / "Corvale.conf").string()));
    m_configEnv.Set("relative/config");  // not absolute: ignored
    EXPECT_EQ(GetSettingsFilePath(), wxString((Home() / ".config" / "Lumeno" / "Corvale.conf").string()));
}

// --- through the window ---------------------------------------------------------------

TEST_F(AppTest, AFirstStartUsesTheDefaults)
{
    ASSERT_FALSE(fs::exists(GetSettingsFilePath().ToStdString()));
    CVelmoraDlg& dialog = MakeDialog();
    EXPECT_EQ(OutputFieldText(), wxString(Home().string()));
    ASSERT_NE(g_pOptions, nullptr);
    EXPECT_EQ(g_pOptions->m_nPageWidth, 210);
    EXPECT_EQ(g_pOptions->m_nPageHeight, 297);
    EXPECT_EQ(dialog.GetRect(), wxRect(0, 0, 850, 650));
    EXPECT_FALSE(dialog.IsMaximized());

    CloseDialog();
    ASSERT_TRUE(fs::exists(GetSettingsFilePath().ToStdString()));
    auto config = OpenSettings();
    EXPECT_EQ(config->Read(wxS("OutputPath"), wxS("?")), wxString(Home().string()));
    EXPECT_EQ(ReadLong(*config, wxS("PageWidth")), 210);
    EXPECT_EQ(ReadLong(*config, wxS("PageHeight")), 297);
    EXPECT_EQ(ReadLong(*config, wxS("Maximized")), 0);
    EXPECT_EQ(ReadLong(*config, wxS("Left")), 0);
    EXPECT_EQ(ReadLong(*config, wxS("Top")), 0);
    EXPECT_EQ(ReadLong(*config, wxS("Right")), 850);
    EXPECT_EQ(ReadLong(*config, wxS("Bottom")), 650);
}

TEST_F(AppTest, SettingsAreSavedAtCloseAndRestoredAtTheNextStart)
{
    CVelmoraDlg& dialog = MakeDialog();
    // Typed and never used for a run, with characters a shell would expand.
    const wxString typed = wxString::FromUTF8("/some/Ordner ü/$HOME/%TEMP%/a\\b");
    TypeOutputFolder(typed);
    g_pOptions->m_nPageWidth = 148;
    g_pOptions->m_nPageHeight = 210;
    dialog.SetSize(120, 80, 900, 700);
    ASSERT_TRUE(PumpUntil([&] { return dialog.GetRect() == wxRect(120, 80, 900, 700); }));
    CloseDialog();

    {
        auto config = OpenSettings();
        EXPECT_EQ(config->Read(wxS("OutputPath"), wxS("?")), typed);
        EXPECT_EQ(ReadLong(*config, wxS("PageWidth")), 148);
        EXPECT_EQ(ReadLong(*config, wxS("PageHeight")), 210);
        EXPECT_EQ(ReadLong(*config, wxS("Maximized")), 0);
        EXPECT_EQ(ReadLong(*config, wxS("Left")), 120);
        EXPECT_EQ(ReadLong(*config, wxS("Top")), 80);
        EXPECT_EQ(ReadLong(*config, wxS("Right")), 1020);
        EXPECT_EQ(ReadLong(*config, wxS("Bottom")), 780);
    }

    CVelmoraDlg& again = MakeDialog();
    EXPECT_EQ(OutputFieldText(), typed);
    EXPECT_EQ(again.GetOutputFolder(), typed);
    EXPECT_EQ(g_pOptions->m_nPageWidth, 148);
    EXPECT_EQ(g_pOptions->m_nPageHeight, 210);
    EXPECT_EQ(again.GetRect(), wxRect(120, 80, 900, 700));
    // The output choice is not stored: every start is "Customize :".
    EXPECT_TRUE(Enabled(IDC_BROWSE));
}

TEST_F(AppTest, AStoredPageSizeOutsideTheBoundsGivesTheDefault)
{
    // As a hand-edited or damaged file may hold them; each measurement is
    // checked on its own, as the page setup dialog checks a typed one.
    struct Case {
        const char* width;
        const char* height;
        int32_t expectedWidth, expectedHeight;
    };
    for (const Case& c : {Case{"26", "1500", 26, 1500}, Case{"5", "7", 210, 297}, Case{"1501", "300", 210, 300},
                          Case{"100", "-297", 100, 297}, Case{"abc", "", 210, 297},
                          Case{"99999999999", "297", 210, 297}}) {
        {
            auto config = OpenSettings();
            config->Write(wxS("PageWidth"), wxString(c.width));
            config->Write(wxS("PageHeight"), wxString(c.height));
            config->Flush();
        }
        MakeDialog();
        EXPECT_EQ(g_pOptions->m_nPageWidth, c.expectedWidth) << c.width;
        EXPECT_EQ(g_pOptions->m_nPageHeight, c.expectedHeight) << c.height;
        CloseDialog();
    }
}

TEST_F(AppTest, AMaximisedWindowKeepsItsNormalRectangleStored)
{
    {
        auto config = OpenSettings();
        config->Write(wxS("Left"), 100L);
        config->Write(wxS("Top"), 110L);
        config->Write(wxS("Right"), 1000L);
        config->Write(wxS("Bottom"), 810L);
        config->Write(wxS("Maximized"), 1L);
        config->Flush();
    }
    CVelmoraDlg& dialog = MakeDialog();
    EXPECT_TRUE(dialog.IsMaximized());
    CloseDialog();

    auto config = OpenSettings();
    EXPECT_EQ(ReadLong(*config, wxS("Maximized")), 1);
    EXPECT_EQ(ReadLong(*config, wxS("Left")), 100);
    EXPECT_EQ(ReadLong(*config, wxS("Top")), 110);
    EXPECT_EQ(ReadLong(*config, wxS("Right")), 1000);
    EXPECT_EQ(ReadLong(*config, wxS("Bottom")), 810);
}

TEST_F(AppTest, AnOffScreenPlacementGivesTheDefaultPlacement)
{
    {
        auto config = OpenSettings();
        config->Write(wxS("Left"), 5000L);
        config->Write(wxS("Top"), 5000L);
        config->Write(wxS("Right"), 5900L);
        config->Write(wxS("Bottom"), 5700L);
        config->Flush();
    }
    EXPECT_EQ(MakeDialog().GetRect(), wxRect(0, 0, 850, 650));
}

TEST_F(AppTest, NegativeLeftAndTopAreRaisedToZero)
{
    {
        auto config = OpenSettings();
        config->Write(wxS("Left"), -100L);
        config->Write(wxS("Top"), -50L);
        config->Write(wxS("Right"), 800L);
        config->Write(wxS("Bottom"), 700L);
        config->Flush();
    }
    EXPECT_EQ(MakeDialog().GetRect(), wxRect(0, 0, 900, 750));
}
