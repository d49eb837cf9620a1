// The page setup dialog, opened modally on a real X server and driven from
// inside its own modal loop.

#include "recording_prompts.h"
#include "settings/options.h"
#include "settings/page_setup_dlg.h"
#include "wx_test_env.h"

#include <gtest/gtest.h>
#include <wx/button.h>
#include <wx/choice.h>
#include <wx/stattext.h>
#include <wx/textctrl.h>
#include <wx/uiaction.h>

#include <chrono>
#include <functional>
#include <thread>

#ifdef __WXGTK__
#include <dlfcn.h>
#endif

namespace {

using corvale_test::PumpEvents;
using corvale_test::PumpUntil;
using corvale_test::RecordingPrompts;
using corvale_test::TestFrame;

// How ShowModal ends when the test's actions left the dialog open.
constexpr int kLeftOpen = wxID_HIGHEST + 1;

const wxString kBoundsMessage = wxS("The measurement must be between 26mm and 1500mm.");

// Opens the dialog modally and runs `actions` inside its modal loop; a dialog
// still open afterwards is ended with kLeftOpen. Returns ShowModal's result.
int RunModal(CPageSetupDlg& dialog, const std::function<void()>& actions)
{
    dialog.CallAfter([&dialog, &actions] {
        actions();
        if (dialog.IsModal())
            dialog.EndModal(kLeftOpen);
    });
    return dialog.ShowModal();
}

// Whether `control` holds the focus inside `dialog`, whether or not the dialog
// is the active window: tests running beside this one share the X server and
// may hold its focus.
bool HasFocusWithin(wxDialog& dialog, wxWindow* control)
{
#ifdef __WXGTK__
    using GetFocus = void* (*)(void*);
    static const auto getFocus = reinterpret_cast<GetFocus>(dlsym(RTLD_DEFAULT, "gtk_window_get_focus"));
    if (getFocus)
        return getFocus(dialog.GetHandle()) == static_cast<void*>(control->GetHandle());
#endif
    return wxWindow::FindFocus() == control;
}

void Click(wxButton* button)
{
    wxCommandEvent event(wxEVT_BUTTON, button->GetId());
    event.SetEventObject(button);
    button->GetEventHandler()->ProcessEvent(event);
}

void Choose(wxChoice* list, int index)
{
    list->SetSelection(index);
    wxCommandEvent event(wxEVT_CHOICE, list->GetId());
    event.SetEventObject(list);
    event.SetInt(index);
    event.SetString(list->GetString(index));
    list->GetEventHandler()->ProcessEvent(event);
}

// A key press as the window system reports it first: wxEVT_CHAR_HOOK from the
// window with the focus, travelling up to the dialog.
void PressKey(wxWindow* focus, int keyCode)
{
    wxKeyEvent event(wxEVT_CHAR_HOOK);
    event.SetEventObject(focus);
    event.SetId(focus->GetId());
    event.m_keyCode = keyCode;
    focus->GetEventHandler()->ProcessEvent(event);
}

class PageSetupDialogTest : public testing::Test {
protected:
    void SetUp() override
    {
        g_pOptions = &m_options;
        SetPrompts(&m_prompts);
    }
    void TearDown() override
    {
        SetPrompts(nullptr);
        g_pOptions = nullptr;
    }

    void SetStoredSize(int32_t width, int32_t height)
    {
        m_options.m_nPageWidth = width;
        m_options.m_nPageHeight = height;
    }
    int32_t StoredWidth() const { return m_options.m_nPageWidth; }
    int32_t StoredHeight() const { return m_options.m_nPageHeight; }

    // Types width and height into the fields and presses OK.
    void EnterAndConfirm(CPageSetupDlg& dialog, const wxString& width, const wxString& height)
    {
        dialog.GetWidthField()->ChangeValue(width);
        dialog.GetHeightField()->ChangeValue(height);
        Click(dialog.GetOKButton());
    }

    COptions m_options;
    RecordingPrompts m_prompts;
};

// --- The size table and the number reading ---

TEST(PageSizeTableTest, HoldsTheNamedSizesInListOrder)
{
    ASSERT_EQ(kPageSizes.size(), 17u);
    EXPECT_EQ(kCustomPageSizeIndex, 17);
    const wchar_t* names[] = {L"A0", L"A1", L"A2", L"A3", L"A4", L"A5", L"A6", L"A7", L"A8",
                              L"A9", L"A10", L"B0", L"B1", L"B2", L"B3", L"B4", L"B5"};
    for (size_t i = 0; i < kPageSizes.size(); ++i)
        EXPECT_EQ(std::wstring(kPageSizes[i].name), names[i]) << i;
    EXPECT_EQ(kPageSizes[4].width, 210);
    EXPECT_EQ(kPageSizes[4].height, 297);
    EXPECT_EQ(kPageSizes[5].width, 147);  // A5 and A6 are 147, not 148
    EXPECT_EQ(kPageSizes[5].height, 210);
    EXPECT_EQ(kPageSizes[6].width, 105);
    EXPECT_EQ(kPageSizes[6].height, 147);
    EXPECT_EQ(kPageSizes[10].width, 26);
    EXPECT_EQ(kPageSizes[10].height, 37);
    EXPECT_EQ(kPageSizes[11].height, 1414);
}

TEST(PageSizeTableTest, EveryNamedSizeIsWithinTheBounds)
{
    for (const PageSize& size : kPageSizes) {
        EXPECT_GE(size.width, kMinPageMeasurement) << size.name;
        EXPECT_LE(size.height, kMaxPageMeasurement) << size.name;
        EXPECT_LT(size.width, size.height) << size.name;
    }
}

TEST(PageSizeTableTest, FindsOnlyTheTablesOrientation)
{
    EXPECT_EQ(FindPageSize(210, 297), 4);
    EXPECT_EQ(FindPageSize(26, 37), 10);
    EXPECT_EQ(FindPageSize(176, 250), 16);
    EXPECT_EQ(FindPageSize(297, 210), kCustomPageSizeIndex);
    EXPECT_EQ(FindPageSize(100, 100), kCustomPageSizeIndex);
    EXPECT_EQ(FindPageSize(148, 210), kCustomPageSizeIndex);
}

TEST(ParseDecimalIntegerTest, ReadsDecimalIntegers)
{
    int32_t value = 0;
    EXPECT_TRUE(ParseDecimalInteger(wxS("210"), value));
    EXPECT_EQ(value, 210);
    EXPECT_TRUE(ParseDecimalInteger(wxS("  42 "), value));
    EXPECT_EQ(value, 42);
    EXPECT_TRUE(ParseDecimalInteger(wxS("-7"), value));
    EXPECT_EQ(value, -7);
    EXPECT_TRUE(ParseDecimalInteger(wxS("+0012"), value));
    EXPECT_EQ(value, 12);
    EXPECT_TRUE(ParseDecimalInteger(wxS("2147483647"), value));
    EXPECT_EQ(value, 2147483647);
    EXPECT_TRUE(ParseDecimalInteger(wxS("-2147483648"), value));
    EXPECT_EQ(value, -2147483647 - 1);
}

TEST(ParseDecimalIntegerTest, RefusesEverythingElseAndKeepsTheValue)
{
    for (const wxString text : {wxS(""), wxS("  "), wxS("abc"), wxS("12abc"), wxS("1 2"), wxS("-"),
                                wxS("0x10"), wxS("1.5"), wxS("2147483648"), wxS("-2147483649"),
                                wxS("99999999999999999999")}) {
        int32_t value = 77;
        EXPECT_FALSE(ParseDecimalInteger(text, value)) << text;
        EXPECT_EQ(value, 77) << text;
    }
}

// --- The window ---

TEST_F(PageSetupDialogTest, HasTheTemplatesControlsInTabOrder)
{
    CPageSetupDlg dialog(&TestFrame());
    EXPECT_EQ(dialog.GetTitle(), wxS("Page Setup"));
    EXPECT_EQ(dialog.GetClientSize(), dialog.ConvertDialogToPixels(wxSize(231, 82)));

    const wxWindowList& children = dialog.GetChildren();
    ASSERT_EQ(children.size(), 10u);
    std::vector<wxWindow*> order(children.begin(), children.end());
    EXPECT_EQ(order[0], dialog.GetCancelButton());
    EXPECT_EQ(order[0]->GetId(), 2);
    EXPECT_EQ(order[0]->GetLabel(), wxS("Cancel"));
    EXPECT_EQ(order[1]->GetLabel(), wxS("Page Size:"));
    EXPECT_EQ(order[2], dialog.GetPageSizeList());
    EXPECT_EQ(order[2]->GetId(), 1012);
    EXPECT_EQ(order[3], dialog.GetWidthField());
    EXPECT_EQ(order[3]->GetId(), 1017);
    EXPECT_EQ(order[4]->GetLabel(), wxS("Page Width:"));
    EXPECT_EQ(order[5], dialog.GetHeightField());
    EXPECT_EQ(order[5]->GetId(), 1018);
    EXPECT_EQ(order[6]->GetLabel(), wxS("Page Height:"));
    EXPECT_EQ(order[7]->GetLabel(), wxS("mm"));
    EXPECT_EQ(order[8]->GetLabel(), wxS("mm"));
    EXPECT_EQ(order[9], dialog.GetOKButton());
    EXPECT_EQ(order[9]->GetId(), 1011);
    EXPECT_EQ(order[9]->GetLabel(), wxS("OK"));

    // Template rectangles in dialog units, converted with the dialog's font.
    EXPECT_EQ(dialog.GetOKButton()->GetPosition(), dialog.ConvertDialogToPixels(wxPoint(118, 56)));
    EXPECT_EQ(dialog.GetCancelButton()->GetPosition(), dialog.ConvertDialogToPixels(wxPoint(174, 56)));
    EXPECT_EQ(dialog.GetWidthField()->GetPosition(), dialog.ConvertDialogToPixels(wxPoint(56, 33)));
    EXPECT_EQ(dialog.GetHeightField()->GetPosition(), dialog.ConvertDialogToPixels(wxPoint(168, 33)));
    EXPECT_EQ(dialog.GetPageSizeList()->GetPosition(), dialog.ConvertDialogToPixels(wxPoint(57, 7)));
    EXPECT_EQ(dialog.GetPageSizeList()->GetSize().x, dialog.ConvertDialogToPixels(wxSize(144, 0)).x);
    // Every control lies inside the dialog.
    const wxRect client(dialog.GetClientSize());
    for (wxWindow* child : order)
        EXPECT_TRUE(client.Contains(child->GetRect())) << child->GetLabel();

    // The list holds the 17 names, then "Custom".
    wxChoice* list = dialog.GetPageSizeList();
    ASSERT_EQ(list->GetCount(), 18u);
    for (size_t i = 0; i < kPageSizes.size(); ++i)
        EXPECT_EQ(list->GetString(static_cast<unsigned>(i)), kPageSizes[i].name);
    EXPECT_EQ(list->GetString(17), wxS("Custom"));
}

TEST_F(PageSetupDialogTest, OpensOnA4WithTheDefaultSizeAndFocusOnCancel)
{
    CPageSetupDlg dialog(&TestFrame());
    RunModal(dialog, [&] {
        EXPECT_EQ(dialog.GetPageSizeList()->GetSelection(), 4);
        EXPECT_EQ(dialog.GetPageSizeList()->GetStringSelection(), wxS("A4"));
        EXPECT_EQ(dialog.GetWidthField()->GetValue(), wxS("210"));
        EXPECT_EQ(dialog.GetHeightField()->GetValue(), wxS("297"));
        EXPECT_TRUE(HasFocusWithin(dialog, dialog.GetCancelButton()));
    });
}

TEST_F(PageSetupDialogTest, OpensOnCustomWithAnUnnamedSize)
{
    SetStoredSize(100, 100);
    CPageSetupDlg dialog(&TestFrame());
    RunModal(dialog, [&] {
        EXPECT_EQ(dialog.GetPageSizeList()->GetSelection(), 17);
        EXPECT_EQ(dialog.GetPageSizeList()->GetStringSelection(), wxS("Custom"));
        EXPECT_EQ(dialog.GetWidthField()->GetValue(), wxS("100"));
        EXPECT_EQ(dialog.GetHeightField()->GetValue(), wxS("100"));
    });
}

TEST_F(PageSetupDialogTest, ChoosingANamedSizeFillsTheFields)
{
    CPageSetupDlg dialog(&TestFrame());
    RunModal(dialog, [&] {
        for (int i = 0; i < static_cast<int>(kPageSizes.size()); ++i) {
            Choose(dialog.GetPageSizeList(), i);
            EXPECT_EQ(dialog.GetWidthField()->GetValue(), wxString::Format("%d", kPageSizes[i].width));
            EXPECT_EQ(dialog.GetHeightField()->GetValue(), wxString::Format("%d", kPageSizes[i].height));
        }
    });
}

TEST_F(PageSetupDialogTest, A10FillsTheSmallestSizeWhichIsAccepted)
{
    CPageSetupDlg dialog(&TestFrame());
    const int result = RunModal(dialog, [&] {
        Choose(dialog.GetPageSizeList(), 10);
        EXPECT_EQ(dialog.GetWidthField()->GetValue(), wxS("26"));
        EXPECT_EQ(dialog.GetHeightField()->GetValue(), wxS("37"));
        Click(dialog.GetOKButton());
    });
    EXPECT_EQ(result, wxID_OK);
    EXPECT_TRUE(m_prompts.messages.empty());
    EXPECT_EQ(StoredWidth(), 26);
    EXPECT_EQ(StoredHeight(), 37);
}

TEST_F(PageSetupDialogTest, B0IsAccepted)
{
    CPageSetupDlg dialog(&TestFrame());
    const int result = RunModal(dialog, [&] {
        Choose(dialog.GetPageSizeList(), 11);
        Click(dialog.GetOKButton());
    });
    EXPECT_EQ(result, wxID_OK);
    EXPECT_EQ(StoredWidth(), 1000);
    EXPECT_EQ(StoredHeight(), 1414);
}

TEST_F(PageSetupDialogTest, CustomKeepsWhatTheFieldsHold)
{
    CPageSetupDlg dialog(&TestFrame());
    RunModal(dialog, [&] {
        Choose(dialog.GetPageSizeList(), 3);
        Choose(dialog.GetPageSizeList(), 17);
        EXPECT_EQ(dialog.GetWidthField()->GetValue(), wxS("297"));
        EXPECT_EQ(dialog.GetHeightField()->GetValue(), wxS("420"));
        // Typing never changes the list's choice.
        dialog.GetWidthField()->SetValue(wxS("210"));
        dialog.GetHeightField()->SetValue(wxS("297"));
        EXPECT_EQ(dialog.GetPageSizeList()->GetSelection(), 17);
        EXPECT_TRUE(dialog.GetWidthField()->IsEnabled());
        EXPECT_TRUE(dialog.GetHeightField()->IsEnabled());
    });
}

struct RefusedSize {
    const char* width;
    const char* height;
};

class PageSetupBoundsTest : public PageSetupDialogTest, public testing::WithParamInterface<RefusedSize> {};

TEST_P(PageSetupBoundsTest, RefusesTheSizeAndStaysOpenWithTheUsersValues)
{
    CPageSetupDlg dialog(&TestFrame());
    const int result = RunModal(dialog, [&] {
        EnterAndConfirm(dialog, GetParam().width, GetParam().height);
        EXPECT_TRUE(dialog.IsModal());
        EXPECT_EQ(dialog.GetWidthField()->GetValue(), GetParam().width);
        EXPECT_EQ(dialog.GetHeightField()->GetValue(), GetParam().height);
    });
    EXPECT_EQ(result, kLeftOpen);
    ASSERT_EQ(m_prompts.messages.size(), 1u);
    EXPECT_EQ(m_prompts.messages[0].text, kBoundsMessage);
    EXPECT_EQ(m_prompts.messages[0].caption, wxS("Corvale"));
    EXPECT_EQ(m_prompts.messages[0].style, wxOK | wxICON_NONE);  // OK only, no icon
    EXPECT_EQ(StoredWidth(), 210);
    EXPECT_EQ(StoredHeight(), 297);
}

INSTANTIATE_TEST_SUITE_P(OutsideTheBounds, PageSetupBoundsTest,
                         testing::Values(RefusedSize{"25", "297"}, RefusedSize{"210", "25"},
                                         RefusedSize{"1501", "297"}, RefusedSize{"210", "1501"},
                                         RefusedSize{"0", "0"}, RefusedSize{"-30", "300"}));

TEST_F(PageSetupDialogTest, TheBoundsThemselvesAreAccepted)
{
    for (const auto& [width, height] : {std::pair{26, 1500}, std::pair{1500, 26}}) {
        CPageSetupDlg dialog(&TestFrame());
        const int result = RunModal(dialog, [&] {
            EnterAndConfirm(dialog, wxString::Format("%d", width), wxString::Format("%d", height));
        });
        EXPECT_EQ(result, wxID_OK);
        EXPECT_EQ(StoredWidth(), width);
        EXPECT_EQ(StoredHeight(), height);
    }
    EXPECT_TRUE(m_prompts.messages.empty());
}

TEST_F(PageSetupDialogTest, ANonIntegerFieldIsReportedAndNothingIsStored)
{
    for (const auto& [width, height] : {std::pair{"300", "abc"}, std::pair{"abc", "400"}, std::pair{"3x0", "40"}}) {
        m_prompts.messages.clear();
        CPageSetupDlg dialog(&TestFrame());
        const int result = RunModal(dialog, [&] {
            EnterAndConfirm(dialog, width, height);
            EXPECT_TRUE(dialog.IsModal());
        });
        EXPECT_EQ(result, kLeftOpen) << width << " x " << height;
        ASSERT_EQ(m_prompts.messages.size(), 1u);
        EXPECT_EQ(m_prompts.messages[0].text, wxS("Enter an integer."));
        EXPECT_EQ(m_prompts.messages[0].caption, wxS("Corvale"));
        EXPECT_TRUE(m_prompts.messages[0].style & wxOK);
        EXPECT_EQ(StoredWidth(), 210);
        EXPECT_EQ(StoredHeight(), 297);
    }
}

TEST_F(PageSetupDialogTest, FieldsTakeOnlyDigitsFromTheKeyboard)
{
    CPageSetupDlg dialog(&TestFrame());
    const auto typed = [](wxTextCtrl* field, int key) {
        wxKeyEvent event(wxEVT_CHAR);
        event.SetEventObject(field);
        event.m_keyCode = key;
        event.m_uniChar = key;
        // A character the field's filter swallows counts as handled.
        return !field->GetEventHandler()->ProcessEvent(event);
    };
    for (wxTextCtrl* field : {dialog.GetWidthField(), dialog.GetHeightField()}) {
        EXPECT_TRUE(typed(field, '0'));
        EXPECT_TRUE(typed(field, '9'));
        EXPECT_TRUE(typed(field, WXK_BACK));
        EXPECT_FALSE(typed(field, 'a'));
        EXPECT_FALSE(typed(field, '-'));
        EXPECT_FALSE(typed(field, ' '));
    }
}

TEST_F(PageSetupDialogTest, SwappedValuesAreAcceptedAndShownAsCustomNextTime)
{
    CPageSetupDlg dialog(&TestFrame());
    EXPECT_EQ(RunModal(dialog, [&] { EnterAndConfirm(dialog, wxS("297"), wxS("210")); }), wxID_OK);
    EXPECT_EQ(StoredWidth(), 297);
    EXPECT_EQ(StoredHeight(), 210);
    // The same dialog object, opened again, starts from the stored size.
    RunModal(dialog, [&] {
        EXPECT_EQ(dialog.GetPageSizeList()->GetStringSelection(), wxS("Custom"));
        EXPECT_EQ(dialog.GetWidthField()->GetValue(), wxS("297"));
        EXPECT_EQ(dialog.GetHeightField()->GetValue(), wxS("210"));
    });
}

TEST_F(PageSetupDialogTest, CancelAndEscapeStoreNothing)
{
    CPageSetupDlg dialog(&TestFrame());
    EXPECT_EQ(RunModal(dialog, [&] {
                  dialog.GetWidthField()->ChangeValue(wxS("300"));
                  dialog.GetHeightField()->ChangeValue(wxS("400"));
                  Click(dialog.GetCancelButton());
              }),
              wxID_CANCEL);
    EXPECT_EQ(RunModal(dialog, [&] {
                  // Values refused or cancelled before are not remembered.
                  EXPECT_EQ(dialog.GetWidthField()->GetValue(), wxS("210"));
                  EXPECT_EQ(dialog.GetHeightField()->GetValue(), wxS("297"));
                  Choose(dialog.GetPageSizeList(), 0);
                  PressKey(dialog.GetPageSizeList(), WXK_ESCAPE);
              }),
              wxID_CANCEL);
    EXPECT_EQ(RunModal(dialog, [&] {
                  Choose(dialog.GetPageSizeList(), 0);
                  dialog.Close();  // the title bar's close box
              }),
              wxID_CANCEL);
    EXPECT_TRUE(m_prompts.messages.empty());
    EXPECT_EQ(StoredWidth(), 210);
    EXPECT_EQ(StoredHeight(), 297);
}

TEST_F(PageSetupDialogTest, EnterInAFieldOrTheListChecksAndStores)
{
    CPageSetupDlg dialog(&TestFrame());
    EXPECT_EQ(RunModal(dialog, [&] {
                  dialog.GetWidthField()->ChangeValue(wxS("300"));
                  dialog.GetHeightField()->ChangeValue(wxS("400"));
                  PressKey(dialog.GetHeightField(), WXK_RETURN);
              }),
              wxID_OK);
    EXPECT_EQ(StoredWidth(), 300);
    EXPECT_EQ(StoredHeight(), 400);

    EXPECT_EQ(RunModal(dialog, [&] {
                  Choose(dialog.GetPageSizeList(), 5);
                  PressKey(dialog.GetPageSizeList(), WXK_NUMPAD_ENTER);
              }),
              wxID_OK);
    EXPECT_EQ(StoredWidth(), 147);
    EXPECT_EQ(StoredHeight(), 210);

    // A refused size is refused on Enter as on OK.
    EXPECT_EQ(RunModal(dialog, [&] {
                  dialog.GetWidthField()->ChangeValue(wxS("25"));
                  PressKey(dialog.GetWidthField(), WXK_RETURN);
              }),
              kLeftOpen);
    ASSERT_EQ(m_prompts.messages.size(), 1u);
    EXPECT_EQ(m_prompts.messages[0].text, kBoundsMessage);
    EXPECT_EQ(StoredWidth(), 147);

    // On a button, Enter is that button's own: it never stands for OK.
    EXPECT_EQ(RunModal(dialog, [&] {
                  dialog.GetWidthField()->ChangeValue(wxS("500"));
                  PressKey(dialog.GetCancelButton(), WXK_RETURN);
              }),
              kLeftOpen);
    EXPECT_EQ(StoredWidth(), 147);
}

TEST_F(PageSetupDialogTest, ARealEnterKeyInAFieldChecksAndStores)
{
    CPageSetupDlg dialog(&TestFrame());
    const int result = RunModal(dialog, [&] {
        // Tests running beside this one share the X server and may take its
        // keyboard focus at any moment: the key is pressed while the field
        // has the focus, and pressed again whenever the focus was lost before
        // the dialog closed. The dialog sits in the screen's bottom-right
        // corner, away from the other tests' windows.
        dialog.Move(wxPoint(0, 0) + wxGetDisplaySize() - dialog.GetSize());
        wxTextCtrl* field = dialog.GetWidthField();
        field->ChangeValue(wxS("333"));
        wxUIActionSimulator simulator;
        bool pressed = false;
        EXPECT_TRUE(PumpUntil([&] {
            if (!dialog.IsModal())
                return true;
            if (wxWindow::FindFocus() != field) {
                dialog.Raise();
                field->SetFocus();
                simulator.MouseMove(field->GetScreenRect().GetPosition() + wxPoint(3, 3));
                pressed = false;
            } else if (!pressed) {
                simulator.Char(WXK_RETURN);
                pressed = true;
            }
            return false;
        }));
    });
    EXPECT_EQ(result, wxID_OK);
    EXPECT_EQ(StoredWidth(), 333);
    EXPECT_EQ(StoredHeight(), 297);
    EXPECT_TRUE(m_prompts.messages.empty());
}

}  // namespace
