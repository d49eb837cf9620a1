// The main window's controls, initial state, keys, menu, About box, help
// page and the rules of closing.
#include "app_test_support.h"

#include "app/about_dlg.h"
#include "app/dlg_font.h"
#include "app/dlg_ids.h"
#include "app/dlg_layout.h"
#include "app/dlg_template.h"
#include "app/help_page.h"
#include "promo/ads_dialog.h"
#include "app/skin_button_type.h"
#include "res/wx_resources.h"
#include "settings/settings_store.h"
#include "settings/options.h"
#include "settings/page_setup_dlg.h"
#include "skin/my_list_ctrl.h"

#include <algorithm>

#include <wx/button.h>
#include <wx/gauge.h>
#include <wx/hyperlink.h>
#include <wx/menu.h>
#include <wx/radiobut.h>
#include <wx/statbmp.h>
#include <wx/statbox.h>
#include <wx/stattext.h>
#include <wx/textctrl.h>

using namespace app_test;

namespace {

bool IsKind(const wxWindow* w, TemplateKind kind)
{
    switch (kind) {
    case TemplateKind::ImageButton: return dynamic_cast<const CSkinButtonType*>(w) != nullptr;
    case TemplateKind::PushButton: return dynamic_cast<const wxButton*>(w) != nullptr;
    case TemplateKind::RadioButton: return dynamic_cast<const wxRadioButton*>(w) != nullptr;
    case TemplateKind::ListView: return dynamic_cast<const CMyListCtrl*>(w) != nullptr;
    case TemplateKind::Label: return dynamic_cast<const wxStaticText*>(w) != nullptr;
    case TemplateKind::Edit: return dynamic_cast<const wxTextCtrl*>(w) != nullptr;
    case TemplateKind::ProgressBar: return dynamic_cast<const wxGauge*>(w) != nullptr;
    case TemplateKind::Hyperlink: return dynamic_cast<const wxHyperlinkCtrl*>(w) != nullptr;
    case TemplateKind::Frame: return dynamic_cast<const wxStaticBox*>(w) != nullptr;
    }
    return false;
}

std::vector<int> ChildIds(const wxWindow& parent)
{
    std::vector<int> ids;
    for (const wxWindow* child : parent.GetChildren()) {
        if (!child->IsTopLevel())
            ids.push_back(child->GetId());
    }
    return ids;
}

}  // namespace

// --- the template ----------------------------------------------------------------

TEST_F(AppTest, TemplateControlsHaveTheirIdsKindsTextsAndRectangles)
{
    wxDialog host(nullptr, wxID_ANY, wxS("host"));
    SetTemplateFont(host);
    CreateTemplateControls(&host);

    const auto controls = MainDialogTemplate();
    ASSERT_EQ(controls.size(), 17u);
    std::vector<int> expectedIds;
    for (const TemplateControl& c : controls)
        expectedIds.push_back(c.id);
    // Template order is creation order, which is the tab order.
    EXPECT_EQ(ChildIds(host), expectedIds);

    for (const TemplateControl& c : controls) {
        SCOPED_TRACE(c.id);
        wxWindow* control = host.FindWindow(c.id);
        ASSERT_NE(control, nullptr);
        EXPECT_TRUE(IsKind(control, c.kind));
        if (c.kind != TemplateKind::Edit && c.kind != TemplateKind::Hyperlink) {
            EXPECT_EQ(control->GetLabel(), wxString(c.text));
        }
        const wxRect expected = DialogUnitsToPixels(&host, c.x, c.y, c.cx, c.cy);
        const wxRect actual = control->GetRect();
        if (c.kind == TemplateKind::RadioButton) {
            // A native radio button may need more room than the template
            // gives: it only grows, rightwards and about its middle.
            EXPECT_EQ(actual.x, expected.x);
            EXPECT_GE(actual.width, expected.width);
            EXPECT_GE(actual.height, expected.height);
            EXPECT_LE(std::abs((actual.y + actual.height / 2) - (expected.y + expected.height / 2)), 1);
        } else {
            EXPECT_EQ(actual, expected);
        }
        EXPECT_EQ(control->IsShown(), !c.hidden);
    }
    // The leading blanks belong to the texts.
    EXPECT_EQ(host.FindWindow(IDC_ADD_FILES)->GetLabel(), wxS(" Add File(s)"));
    EXPECT_EQ(host.FindWindow(IDC_STOP)->GetLabel(), wxS(" Stop"));
    EXPECT_FALSE(host.FindWindow(IDC_PROGRESS)->IsShown());
    EXPECT_FALSE(host.FindWindow(IDC_STOP)->IsShown());
    EXPECT_EQ(static_cast<wxGauge*>(host.FindWindow(IDC_PROGRESS))->GetRange(), 100);
}

TEST_F(AppTest, TemplateFontKeepsTheTemplatesDialogUnits)
{
    wxDialog host(nullptr, wxID_ANY, wxS("host"));
    SetTemplateFont(host);
    const wxSize base = host.ConvertDialogToPixels(wxSize(4, 8));
    const double scale = host.GetDPI().GetWidth() / 96.0;
    EXPECT_LE(base.GetWidth(), int(6 * scale + 0.5));
    EXPECT_LE(base.GetHeight(), int(13 * scale + 0.5));
    EXPECT_GT(base.GetWidth(), 0);
    EXPECT_LE(host.GetFont().GetFractionalPointSize(), 8.0);
}

// --- the window after its initialisation ----------------------------------------

TEST_F(AppTest, StartsWithCustomizeChosenAndTheStoredFolderShown)
{
    CVelmoraDlg& dialog = MakeDialog();
    EXPECT_EQ(dialog.GetTitle(), wxS("Corvale"));
    EXPECT_FALSE(dialog.GetIcons().IsEmpty());
    EXPECT_EQ(dialog.GetMinSize(), wxSize(kMinWindowWidth, kMinWindowHeight));

    EXPECT_FALSE(ControlAs<wxRadioButton>(IDC_SAVE_IN_SOURCE)->GetValue());
    EXPECT_TRUE(ControlAs<wxRadioButton>(IDC_CUSTOMIZE)->GetValue());
    EXPECT_FALSE(dialog.GetEngine().m_bSameFolder);
    EXPECT_TRUE(Enabled(IDC_BROWSE));
    EXPECT_TRUE(Enabled(IDC_OUTPUT_FOLDER));
    // A first start shows the home folder.
    EXPECT_EQ(OutputFieldText(), wxString(DefaultOutputFolder()));
    EXPECT_EQ(ControlAs<wxTextCtrl>(IDC_OUTPUT_FOLDER)->GetValue(), dialog.GetOutputFolder());

    // The idle look.
    EXPECT_TRUE(Shown(IDC_CONVERT_ALL));
    EXPECT_TRUE(Shown(IDC_CONVERT_SELECTED));
    EXPECT_FALSE(Shown(IDC_STOP));
    EXPECT_FALSE(Shown(IDC_PROGRESS));
    EXPECT_FALSE(dialog.IsConverting());
    EXPECT_EQ(List().GetItemCount(), 0);

    auto* link = ControlAs<wxHyperlinkCtrl>(IDC_HOME_LINK);
    ASSERT_NE(link, nullptr);
    EXPECT_EQ(link->GetLabel(), wxS("Corvale Help"));
    EXPECT_EQ(link->GetURL(), GetHelpPageUrl());

    // The settings object lives as long as the window.
    ASSERT_NE(g_pOptions, nullptr);
    CloseDialog();
    EXPECT_EQ(g_pOptions, nullptr);
}

// Tab takes them in reading order (keyboard_test.cpp), not in template order.
TEST_F(AppTest, ChildrenAreTheTemplatesControlsPageSetupAndThePanel)
{
    CVelmoraDlg& dialog = MakeDialog();
    std::vector<int> expected;
    for (const TemplateControl& c : MainDialogTemplate())
        expected.push_back(c.id);
    expected.push_back(IDC_PAGE_SETUP);
    expected.push_back(CAdsDialog::IDD);  // the promotion panel, made last over its placeholder
    std::vector<int> actual = ChildIds(dialog);
    std::sort(expected.begin(), expected.end());
    std::sort(actual.begin(), actual.end());
    EXPECT_EQ(actual, expected);
    EXPECT_EQ(Control(IDC_PAGE_SETUP)->GetLabel(), wxS("Page Setup..."));
}

TEST_F(AppTest, EnterEscapeOkAndCancelNeverCloseTheWindow)
{
    CVelmoraDlg& dialog = MakeDialog();
    for (int key : {WXK_ESCAPE, WXK_RETURN}) {
        wxKeyEvent hook(wxEVT_CHAR_HOOK);
        hook.m_keyCode = key;
        hook.SetEventObject(&dialog);
        dialog.GetEventHandler()->ProcessEvent(hook);
        wxKeyEvent down(wxEVT_KEY_DOWN);
        down.m_keyCode = key;
        Control(IDC_OUTPUT_FOLDER)->GetEventHandler()->ProcessEvent(down);
    }
    for (int id : {wxID_OK, wxID_CANCEL}) {
        wxCommandEvent command(wxEVT_BUTTON, id);
        command.SetEventObject(&dialog);
        dialog.GetEventHandler()->ProcessEvent(command);
    }
    PumpUntil([] { return true; });
    for (int round = 0; round < 20; ++round)
        Pump();
    ASSERT_TRUE(DialogAlive());
    EXPECT_TRUE(dialog.IsShown());
    EXPECT_TRUE(m_prompts.messages.empty());
}

TEST_F(AppTest, HelpButtonAndLinkOpenTheInstalledHelpPage)
{
    MakeDialog();
    ASSERT_TRUE(wxFileExists(GetHelpPagePath())) << GetHelpPagePath();
    EXPECT_TRUE(GetHelpPageUrl().StartsWith(wxS("file://")));
    EXPECT_TRUE(GetHelpPageUrl().EndsWith(wxS("/help/index.html")));

    Click(IDC_HELP);
    ASSERT_EQ(m_openedUrls.size(), 1u);
    EXPECT_EQ(m_openedUrls[0], GetHelpPageUrl());

    auto* link = ControlAs<wxHyperlinkCtrl>(IDC_HOME_LINK);
    wxHyperlinkEvent event(link, IDC_HOME_LINK, link->GetURL());
    link->GetEventHandler()->ProcessEvent(event);
    ASSERT_EQ(m_openedUrls.size(), 2u);
    EXPECT_EQ(m_openedUrls[1], GetHelpPageUrl());
}

// --- the window's menu and the About box -----------------------------------------

TEST_F(AppTest, ContextMenuHoldsPageSetupAndAbout)
{
    CVelmoraDlg& dialog = MakeDialog();
    std::unique_ptr<wxMenu> menu = dialog.MakeContextMenu();
    ASSERT_NE(menu->FindItem(IDM_ABOUTBOX), nullptr);
    EXPECT_EQ(menu->FindItem(IDM_ABOUTBOX)->GetItemLabel(), wxS("&About..."));
    ASSERT_NE(menu->FindItem(IDM_PAGE_SETUP), nullptr);
    EXPECT_EQ(menu->FindItem(IDM_PAGE_SETUP)->GetItemLabel(), wxS("Page Setup..."));
    EXPECT_TRUE(menu->IsEnabled(IDM_PAGE_SETUP));

    // The page setup dialog object exists from the start, hidden.
    ASSERT_NE(dialog.GetPageSetupDlg(), nullptr);
    EXPECT_EQ(dialog.GetPageSetupDlg()->GetParent(), &dialog);
    EXPECT_FALSE(dialog.GetPageSetupDlg()->IsShown());

    // During a run there is no page setup.
    dialog.SetRunningLook(true);
    EXPECT_FALSE(dialog.MakeContextMenu()->IsEnabled(IDM_PAGE_SETUP));
    EXPECT_FALSE(Enabled(IDC_PAGE_SETUP));
    dialog.SetRunningLook(false);
    EXPECT_TRUE(Enabled(IDC_PAGE_SETUP));
}

TEST_F(AppTest, AboutBoxShowsTheProductVersionAndTheIcon)
{
    CVelmoraDlg& dialog = MakeDialog();
    CAboutDlg about(&dialog, LoadAppIcons());
    EXPECT_EQ(about.GetTitle(), wxS("About.."));
    auto* text = dynamic_cast<wxStaticText*>(about.FindWindow(IDC_ABOUT_TEXT));
    ASSERT_NE(text, nullptr);
    EXPECT_EQ(text->GetLabel(), wxS("Corvale 1.0"));
    auto* icon = dynamic_cast<wxStaticBitmap*>(about.FindWindow(IDC_ABOUT_ICON));
    ASSERT_NE(icon, nullptr);
    EXPECT_TRUE(icon->GetBitmap().IsOk());
    EXPECT_NE(about.FindWindow(wxID_OK), nullptr);
}

TEST_F(AppTest, AboutCommandShowsTheAboutBoxModally)
{
    CVelmoraDlg& dialog = MakeDialog();
    wxString seenText;
    bool seenModal = false;
    // Runs inside the About box's modal loop and closes it.
    dialog.CallAfter([&] {
        for (wxWindow* window : wxTopLevelWindows) {
            if (auto* about = dynamic_cast<CAboutDlg*>(window)) {
                seenModal = about->IsModal();
                seenText = about->FindWindow(IDC_ABOUT_TEXT)->GetLabel();
                about->EndModal(wxID_OK);
            }
        }
    });
    wxCommandEvent command(wxEVT_MENU, IDM_ABOUTBOX);
    command.SetEventObject(&dialog);
    dialog.GetEventHandler()->ProcessEvent(command);
    EXPECT_TRUE(seenModal);
    EXPECT_EQ(seenText, wxS("Corvale 1.0"));
}

// --- closing -----------------------------------------------------------------------

TEST_F(AppTest, ClosingIsRefusedWhileARunIsActive)
{
    MakeDialogWithFake();
    m_fake->decide = [](const std::wstring&) { return Action::Block; };
    AddFiles({MakeFile("in/a.mobi")});
    Click(IDC_CONVERT_ALL);
    ASSERT_TRUE(PumpUntil([this] { return m_fake->BlockedCount() == 1; }));

    m_dialog->Close();
    Pump();
    ASSERT_TRUE(DialogAlive());
    ASSERT_EQ(m_prompts.Texts(), std::vector<wxString>{wxS("Operation is not supported.\nPlease stop the converting.")});
    EXPECT_EQ(m_prompts.messages[0].caption, wxS("Corvale"));
    EXPECT_EQ(m_prompts.owners[0], m_dialog);
    EXPECT_FALSE(m_dialog->IsClosePending());

    // Once the run has ended the window closes.
    m_fake->Release();
    ASSERT_TRUE(WaitForRunEnd());
    EXPECT_EQ(Statuses(), std::vector<wxString>{wxS("Finished")});
    CloseDialog();
}

TEST_F(AppTest, ClosingAfterAStopWaitsForTheWorkerWithTheWindowAlive)
{
    MakeDialogWithFake();
    // The conversion ignores the stop until released: the worker outlives
    // the stop request.
    m_fake->decide = [](const std::wstring&) { return Action::BlockAlways; };
    AddFiles({MakeFile("in/a.mobi"), MakeFile("in/b.mobi")});
    Click(IDC_CONVERT_ALL);
    ASSERT_TRUE(PumpUntil([this] { return m_fake->BlockedCount() == 1; }));

    m_prompts.answers = {wxYES};
    Click(IDC_STOP);
    EXPECT_EQ(m_dialog->GetEngine().m_nState, STATUS_PAUSING);

    m_dialog->Close();
    for (int round = 0; round < 10; ++round)
        Pump();
    ASSERT_TRUE(DialogAlive());
    EXPECT_TRUE(m_dialog->IsClosePending());
    EXPECT_EQ(m_prompts.Texts(), std::vector<wxString>{wxS("Are you sure that you want to stop?")});

    m_fake->Release();
    ASSERT_TRUE(PumpUntil([this] { return !DialogAlive(); }));
    EXPECT_EQ(m_prompts.Texts(),
              (std::vector<wxString>{wxS("Are you sure that you want to stop?"), wxS("The converting stopped.")}));
    m_dialog = nullptr;
    m_fake = nullptr;
}

TEST_F(AppTest, DestroyingTheWindowUnderARunStopsAndWaitsForTheWorker)
{
    MakeDialogWithFake();
    m_fake->decide = [](const std::wstring&) { return Action::Block; };
    AddFiles({MakeFile("in/a.mobi"), MakeFile("in/b.mobi")});
    Click(IDC_CONVERT_ALL);
    ASSERT_TRUE(PumpUntil([this] { return m_fake->BlockedCount() == 1; }));
    // Not through Close: a forced destruction must neither hang nor let the
    // worker call into a window that is gone.
    m_dialog->Destroy();
    ASSERT_TRUE(PumpUntil([this] { return !DialogAlive(); }));
    m_dialog = nullptr;
    m_fake = nullptr;
}
