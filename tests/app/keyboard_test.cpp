// The main window for a keyboard and a screen reader: the image buttons show
// the focus, answer Space and Enter and carry their captions; Tab goes
// through the window from its top left to its bottom right.
#include "app_test_support.h"

#include "app/dlg_ids.h"
#include "promo/ads_dialog.h"
#include "skin/accessible_name.h"
#include "skin/my_list_ctrl.h"
#include "skin/skin_button.h"
#include "support/wx/wx_test_env.h"

using namespace app_test;
using corvale_test::PixelAt;
using corvale_test::SendFocus;
using corvale_test::SendKey;
using corvale_test::SendMouse;

namespace {

struct ImageButtonCase {
    int id;
    const wchar_t* caption;
};

const ImageButtonCase kImageButtons[] = {
    {IDC_ADD_FILES, L"Add File(s)"},         {IDC_ADD_FOLDER, L"Add Folder"},
    {IDC_REMOVE_SELECTED, L"Remove Selected"}, {IDC_REMOVE_ALL, L"Remove All"},
    {IDC_HELP, L"Help"},                     {IDC_CONVERT_SELECTED, L"Convert Selected"},
    {IDC_CONVERT_ALL, L"Convert All"},       {IDC_STOP, L"Stop"},
};

// Where two drawings differ: the smallest rectangle round it, which must be
// a one-pixel frame (nothing changes inside it); `count` pixels differ.
wxRect Changed(const wxImage& a, const wxImage& b, int& count)
{
    std::vector<wxPoint> points;
    wxRect box;
    for (int y = 0; y < a.GetHeight(); ++y) {
        for (int x = 0; x < a.GetWidth(); ++x) {
            if (PixelAt(a, x, y) != PixelAt(b, x, y)) {
                box = points.empty() ? wxRect(x, y, 1, 1) : box.Union(wxRect(x, y, 1, 1));
                points.emplace_back(x, y);
            }
        }
    }
    for (const wxPoint& p : points)
        EXPECT_FALSE(wxRect(box).Deflate(1).Contains(p)) << "inside the frame: " << p.x << "," << p.y;
    count = static_cast<int>(points.size());
    return box;
}

}  // namespace

TEST_F(AppTest, ImageButtonsCarryTheirCaptionsAsLabelAndTooltip)
{
    MakeDialog();
    for (const ImageButtonCase& c : kImageButtons) {
        auto* button = ControlAs<CxSkinButton>(c.id);
        ASSERT_NE(button, nullptr) << c.id;
        EXPECT_EQ(button->GetLabel(), wxString(c.caption));
        EXPECT_EQ(GetAccessibleName(*button), wxString(c.caption));
        EXPECT_EQ(button->GetToolTipText(), wxString(c.caption));
        EXPECT_TRUE(button->m_bCaptionInPictures) << c.id;
    }
}

// A focus frame in the button's face over its normal and its hover look,
// changing nothing else; the hover look itself is unchanged.
TEST_F(AppTest, EveryImageButtonShowsKeyboardFocusInsideItsFace)
{
    MakeDialog();
    for (const ImageButtonCase& c : kImageButtons) {
        SCOPED_TRACE(testing::Message() << "button " << c.id);
        CxSkinButton& button = *ControlAs<CxSkinButton>(c.id);
        EXPECT_TRUE(button.AcceptsFocusFromKeyboard());
        SendFocus(button, wxEVT_KILL_FOCUS);  // whatever the window system did
        const wxImage normal = button.RenderToBitmap().ConvertToImage();
        SendMouse(button, wxEVT_MOTION, 5, 5);
        const wxImage hover = button.RenderToBitmap().ConvertToImage();
        SendMouse(button, wxEVT_LEAVE_WINDOW, -1, -1);

        SendFocus(button, wxEVT_SET_FOCUS);
        int count = 0;
        const wxRect frame = Changed(normal, button.RenderToBitmap().ConvertToImage(), count);
        EXPECT_GT(count, 2 * button.GetClientSize().x);
        EXPECT_TRUE(wxRect(button.GetClientSize()).Deflate(1).Contains(frame));
        SendMouse(button, wxEVT_MOTION, 5, 5);
        EXPECT_EQ(Changed(hover, button.RenderToBitmap().ConvertToImage(), count), frame);
        SendMouse(button, wxEVT_LEAVE_WINDOW, -1, -1);

        SendFocus(button, wxEVT_KILL_FOCUS);
        Changed(normal, button.RenderToBitmap().ConvertToImage(), count);
        EXPECT_EQ(count, 0);
    }
}

TEST_F(AppTest, SpaceAndEnterClickAnEnabledImageButtonOnly)
{
    CVelmoraDlg& dialog = MakeDialog();
    std::vector<int> clicks;
    dialog.Bind(wxEVT_BUTTON, [&](wxCommandEvent& event) { clicks.push_back(event.GetId()); });
    for (const ImageButtonCase& c : kImageButtons) {
        SCOPED_TRACE(testing::Message() << "button " << c.id);
        CxSkinButton& button = *ControlAs<CxSkinButton>(c.id);
        const auto pressSpaceAndEnter = [&] {
            SendKey(button, wxEVT_KEY_DOWN, WXK_SPACE);
            SendKey(button, wxEVT_KEY_UP, WXK_SPACE);
            SendKey(button, wxEVT_CHAR_HOOK, WXK_RETURN);
        };
        clicks.clear();
        pressSpaceAndEnter();
        EXPECT_EQ(clicks, (std::vector<int>{c.id, c.id}));

        button.Disable();
        EXPECT_FALSE(button.CanAcceptFocusFromKeyboard());
        clicks.clear();
        pressSpaceAndEnter();
        EXPECT_TRUE(clicks.empty());
        button.Enable();
    }
}

TEST_F(AppTest, EnterOnRemoveAllRunsItsCommand)
{
    MakeDialog();
    AddFiles({MakeFile("a.mobi"), MakeFile("b.mobi")});
    ASSERT_EQ(List().GetItemCount(), 2);
    SendKey(*Control(IDC_REMOVE_ALL), wxEVT_CHAR_HOOK, WXK_RETURN);
    EXPECT_EQ(List().GetItemCount(), 0);
}

// The order a reader of the window sees, whatever its size.
TEST_F(AppTest, TabGoesThroughTheWindowFromTopLeftToBottomRight)
{
    CVelmoraDlg& dialog = MakeDialog();
    const std::vector<int> expected = {
        IDC_ADD_FILES,        IDC_ADD_FOLDER,    IDC_REMOVE_SELECTED, IDC_REMOVE_ALL, IDC_HELP,  // the banner
        IDC_FILE_LIST,        CAdsDialog::IDD,                                                   // list, side panel
        IDC_SAVE_IN_SOURCE,   IDC_PAGE_SETUP,                                                    // the options
        IDC_CUSTOMIZE,        IDC_OUTPUT_FOLDER, IDC_BROWSE,
        IDC_CONVERT_SELECTED, IDC_CONVERT_ALL,   IDC_STOP,  // Stop shows in their place during a run
        IDC_HOME_LINK,
    };
    for (const wxSize& size : {dialog.GetClientSize(), wxSize(1400, 1000)}) {
        dialog.ApplyLayout(size.x, size.y);
        std::vector<int> order;
        for (const wxWindow* child : dialog.GetChildren()) {
            if (!child->IsTopLevel() && child->AcceptsFocusFromKeyboard())
                order.push_back(child->GetId());
        }
        EXPECT_EQ(order, expected) << size.x << " x " << size.y;
    }
}
