#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <vector>

#include <wx/dcmemory.h>
#include <wx/panel.h>
#include <wx/radiobut.h>

#include "skin/skin_button.h"
#include "wx_test_env.h"

using corvale_test::PixelAt;
using corvale_test::SendFocus;
using corvale_test::SendKey;
using corvale_test::SendMouse;
using Look = CxSkinButton::Look;

namespace {

const wxColour kNormal(200, 0, 0);
const wxColour kHover(0, 160, 0);
const wxColour kPressed(0, 0, 200);
const wxColour kDisabled(200, 200, 0);
const wxColour kFill(10, 20, 30);

wxImage Solid(int width, int height, const wxColour& colour, unsigned char alpha = 255)
{
    wxImage image(width, height, false);
    image.SetRGB(wxRect(0, 0, width, height), colour.Red(), colour.Green(), colour.Blue());
    image.InitAlpha();
    std::memset(image.GetAlpha(), alpha, static_cast<size_t>(width) * height);
    return image;
}

bool Near(const wxColour& a, const wxColour& b, int tolerance)
{
    return std::abs(a.Red() - b.Red()) <= tolerance && std::abs(a.Green() - b.Green()) <= tolerance
           && std::abs(a.Blue() - b.Blue()) <= tolerance;
}

bool SameImage(const wxImage& a, const wxImage& b)
{
    return a.GetSize() == b.GetSize()
           && std::memcmp(a.GetData(), b.GetData(), 3u * a.GetWidth() * a.GetHeight()) == 0;
}

void Move(wxWindow& window, int x, int y, bool leftIsDown = false)
{
    SendMouse(window, wxEVT_MOTION, x, y, leftIsDown);
}
void Down(wxWindow& window, int x = 5, int y = 5) { SendMouse(window, wxEVT_LEFT_DOWN, x, y); }
void Up(wxWindow& window, int x = 5, int y = 5) { SendMouse(window, wxEVT_LEFT_UP, x, y); }
void Leave(wxWindow& window) { SendMouse(window, wxEVT_LEAVE_WINDOW, -1, -1); }
void Click(wxWindow& window)
{
    Down(window);
    Up(window);
}
void Space(wxWindow& window)
{
    SendKey(window, wxEVT_KEY_DOWN, WXK_SPACE);
    SendKey(window, wxEVT_KEY_UP, WXK_SPACE);
}

// Every test gets a fresh panel in the test frame, so the radio groups see
// only the test's own buttons; the clicks that reach the panel are recorded.
class SkinButtonTest : public testing::Test
{
protected:
    void SetUp() override
    {
        m_panel.reset(new wxPanel(&corvale_test::TestFrame(), wxID_ANY, wxPoint(0, 0),
                                  wxSize(600, 400)));
        m_panel->Bind(wxEVT_BUTTON, [this](wxCommandEvent& event) {
            m_clicks.push_back(event.GetId());
            m_clickSources.push_back(event.GetEventObject());
        });
    }

    void TearDown() override
    {
        EXPECT_EQ(wxWindow::GetCapture(), nullptr) << "a button kept the mouse";
        m_panel.reset();
    }

    // The panel owns the button.
    CxSkinButton& Make(int kind = CxSkinButton::KIND_PUSH, long style = 0,
                       const wxPoint& pos = wxPoint(10, 10))
    {
        return *new CxSkinButton(m_panel.get(), m_nextId++, wxEmptyString, pos,
                                 wxDefaultSize, kind, style);
    }

    // A 20x10 button with a distinct solid picture for each look.
    CxSkinButton& MakePictured(int kind = CxSkinButton::KIND_PUSH)
    {
        CxSkinButton& button = Make(kind);
        button.SetStateImages(Solid(20, 10, kNormal), Solid(20, 10, kPressed),
                              Solid(20, 10, kHover), Solid(20, 10, kDisabled));
        return button;
    }

    static wxColour Shown(CxSkinButton& button, int x = 10, int y = 5)
    {
        return PixelAt(button.RenderToBitmap(), x, y);
    }

    corvale_test::WindowPtr<wxPanel> m_panel;
    std::vector<int> m_clicks;
    std::vector<wxObject*> m_clickSources;
    int m_nextId = 5000;
};

using SkinButtonMouseTest = SkinButtonTest;
using SkinButtonKeyboardTest = SkinButtonTest;
using SkinButtonCheckTest = SkinButtonTest;
using SkinButtonDrawTest = SkinButtonTest;
using SkinButtonFocusTest = SkinButtonTest;

} // namespace

// ------------------------------------------------------------------ mouse

TEST_F(SkinButtonMouseTest, FirstMoveShowsHoverAndLeaveClearsIt)
{
    CxSkinButton& button = MakePictured();
    EXPECT_EQ(Shown(button), kNormal);

    Move(button, 3, 3);
    EXPECT_TRUE(button.IsHover());
    EXPECT_EQ(button.GetLook(), Look::Hover);
    EXPECT_EQ(Shown(button), kHover);

    Move(button, 6, 4);
    EXPECT_EQ(Shown(button), kHover);

    Leave(button);
    EXPECT_FALSE(button.IsHover());
    EXPECT_EQ(Shown(button), kNormal);
}

TEST_F(SkinButtonMouseTest, PressClearsHoverAndShowsPressed)
{
    CxSkinButton& button = MakePictured();
    Move(button, 5, 5);
    Down(button);

    EXPECT_FALSE(button.IsHover());
    EXPECT_TRUE(button.IsCaptured());
    EXPECT_TRUE(button.HasCapture());
    EXPECT_EQ(Shown(button), kPressed);
    EXPECT_TRUE(m_clicks.empty()) << "the click comes with the release";

    Up(button);
    EXPECT_FALSE(button.IsCaptured());
    EXPECT_FALSE(button.HasCapture());
    EXPECT_EQ(Shown(button), kNormal);
}

TEST_F(SkinButtonMouseTest, ReleaseOverTheButtonClicksOnceWithItsId)
{
    CxSkinButton& button = MakePictured();
    Click(button);
    ASSERT_EQ(m_clicks.size(), 1u);
    EXPECT_EQ(m_clicks[0], button.GetId());
    EXPECT_EQ(m_clickSources[0], &button);
}

TEST_F(SkinButtonMouseTest, ParentHandlerBoundToTheIdGetsTheClick)
{
    CxSkinButton& first = MakePictured();
    CxSkinButton& second = MakePictured();
    int firstClicks = 0;
    m_panel->Bind(wxEVT_BUTTON, [&](wxCommandEvent& event) {
        ++firstClicks;
        event.Skip();
    }, first.GetId());

    Click(second);
    EXPECT_EQ(firstClicks, 0);
    Click(first);
    EXPECT_EQ(firstClicks, 1);
}

TEST_F(SkinButtonMouseTest, DraggedOffShowsNormalAndBackShowsPressed)
{
    CxSkinButton& button = MakePictured();
    Down(button, 5, 5);

    Move(button, -4, 5, true);
    EXPECT_EQ(button.GetLook(), Look::Normal);
    EXPECT_EQ(Shown(button), kNormal);
    EXPECT_FALSE(button.IsHover()) << "no hover while held down";

    Move(button, 25, 5, true);
    EXPECT_EQ(Shown(button), kNormal);

    Move(button, 19, 9, true);
    EXPECT_EQ(Shown(button), kPressed);

    Up(button, 19, 9);
    EXPECT_EQ(m_clicks.size(), 1u);
}

TEST_F(SkinButtonMouseTest, ReleaseOutsideGivesNoClick)
{
    CxSkinButton& button = MakePictured();
    Down(button, 5, 5);
    Move(button, 30, 30, true);
    Up(button, 30, 30);

    EXPECT_TRUE(m_clicks.empty());
    EXPECT_FALSE(button.IsCaptured());
    EXPECT_FALSE(button.HasCapture());
    EXPECT_EQ(Shown(button), kNormal);
}

TEST_F(SkinButtonMouseTest, ReleaseWithoutPressGivesNoClick)
{
    CxSkinButton& button = MakePictured();
    Up(button);
    EXPECT_TRUE(m_clicks.empty());
}

TEST_F(SkinButtonMouseTest, DoubleClickGivesTwoClicks)
{
    CxSkinButton& button = MakePictured();
    Down(button);
    Up(button);
    SendMouse(button, wxEVT_LEFT_DCLICK, 5, 5);
    EXPECT_EQ(Shown(button), kPressed);
    Up(button);
    EXPECT_EQ(m_clicks.size(), 2u);
}

TEST_F(SkinButtonMouseTest, LosingFocusWhilePressedReleasesTheMouse)
{
    CxSkinButton& button = MakePictured();
    Down(button);
    SendFocus(button, wxEVT_KILL_FOCUS);

    EXPECT_FALSE(button.IsCaptured());
    EXPECT_FALSE(button.HasCapture());
    EXPECT_EQ(Shown(button), kNormal);
    Up(button);
    EXPECT_TRUE(m_clicks.empty());
}

TEST_F(SkinButtonMouseTest, LosingTheCaptureForgetsThePress)
{
    CxSkinButton& button = MakePictured();
    Down(button);
    corvale_test::TakeMouseCaptureAway();

    EXPECT_FALSE(button.IsCaptured());
    EXPECT_EQ(Shown(button), kNormal);
    Up(button);
    EXPECT_TRUE(m_clicks.empty());
}

TEST_F(SkinButtonMouseTest, DisablingWhilePressedReleasesTheMouse)
{
    CxSkinButton& button = MakePictured();
    Move(button, 5, 5);
    Down(button);
    button.Disable();

    EXPECT_FALSE(button.IsCaptured());
    EXPECT_FALSE(button.HasCapture());
    EXPECT_EQ(Shown(button), kDisabled);

    button.Enable();
    EXPECT_EQ(Shown(button), kNormal);
}

// --------------------------------------------------------------- keyboard

TEST_F(SkinButtonKeyboardTest, SpaceClicksAPushButtonWhenReleased)
{
    CxSkinButton& button = MakePictured();
    SendKey(button, wxEVT_KEY_DOWN, WXK_SPACE);
    EXPECT_EQ(Shown(button), kPressed);
    EXPECT_TRUE(m_clicks.empty());

    SendKey(button, wxEVT_KEY_UP, WXK_SPACE);
    EXPECT_EQ(m_clicks.size(), 1u);
    EXPECT_EQ(Shown(button), kNormal);
    EXPECT_FALSE(button.GetCheck());
}

TEST_F(SkinButtonKeyboardTest, HeldSpaceTogglesACheckBoxOnce)
{
    CxSkinButton& box = MakePictured(CxSkinButton::KIND_CHECK);
    SendKey(box, wxEVT_KEY_DOWN, WXK_SPACE);
    SendKey(box, wxEVT_KEY_DOWN, WXK_SPACE); // auto-repeat
    SendKey(box, wxEVT_KEY_DOWN, WXK_SPACE);
    SendKey(box, wxEVT_KEY_UP, WXK_SPACE);
    EXPECT_TRUE(box.GetCheck());
    EXPECT_EQ(m_clicks.size(), 1u);

    Space(box);
    EXPECT_FALSE(box.GetCheck());
    EXPECT_EQ(m_clicks.size(), 2u);
}

TEST_F(SkinButtonKeyboardTest, OtherKeysAreLeftToOthers)
{
    CxSkinButton& button = MakePictured();
    EXPECT_FALSE(SendKey(button, wxEVT_KEY_DOWN, 'A'));
    EXPECT_FALSE(SendKey(button, wxEVT_KEY_UP, 'A'));
    EXPECT_FALSE(SendKey(button, wxEVT_KEY_UP, WXK_SPACE)) << "no space went down here";
    EXPECT_TRUE(m_clicks.empty());
    EXPECT_EQ(Shown(button), kNormal);
}

// ------------------------------------------------------- check and radio

TEST_F(SkinButtonCheckTest, PushButtonStaysUnchecked)
{
    CxSkinButton& button = MakePictured();
    button.SetCheck(true);
    EXPECT_FALSE(button.GetCheck());
    EXPECT_EQ(Shown(button), kNormal);
    Click(button);
    EXPECT_FALSE(button.GetCheck());
}

TEST_F(SkinButtonCheckTest, ClickTogglesACheckBoxWhichShowsPressedWhileChecked)
{
    CxSkinButton& box = MakePictured(CxSkinButton::KIND_CHECK);
    Click(box);
    EXPECT_TRUE(box.GetCheck());
    EXPECT_EQ(Shown(box), kPressed);

    Click(box);
    EXPECT_FALSE(box.GetCheck());
    EXPECT_EQ(Shown(box), kNormal);
    EXPECT_EQ(m_clicks.size(), 2u);
}

TEST_F(SkinButtonCheckTest, ReleaseOutsideLeavesACheckBoxAlone)
{
    CxSkinButton& box = MakePictured(CxSkinButton::KIND_CHECK);
    Down(box);
    Up(box, 50, 50);
    EXPECT_FALSE(box.GetCheck());
}

TEST_F(SkinButtonCheckTest, SetCheckOnARadioUnchecksTheRestOfItsGroupOnly)
{
    CxSkinButton& a1 = Make(CxSkinButton::KIND_RADIO, CxSkinButton::GROUP);
    CxSkinButton& a2 = Make(CxSkinButton::KIND_RADIO);
    CxSkinButton& box = Make(CxSkinButton::KIND_CHECK);
    CxSkinButton& a3 = Make(CxSkinButton::KIND_RADIO);
    CxSkinButton& b1 = Make(CxSkinButton::KIND_RADIO, CxSkinButton::GROUP);
    CxSkinButton& b2 = Make(CxSkinButton::KIND_RADIO);

    a1.SetCheck(true);
    box.SetCheck(true);
    b1.SetCheck(true);
    a3.SetCheck(true);
    EXPECT_FALSE(a1.GetCheck());
    EXPECT_FALSE(a2.GetCheck());
    EXPECT_TRUE(a3.GetCheck());
    EXPECT_TRUE(box.GetCheck()) << "only radio kinds are unchecked";
    EXPECT_TRUE(b1.GetCheck()) << "another group";

    b2.SetCheck(true);
    EXPECT_FALSE(b1.GetCheck());
    EXPECT_TRUE(a3.GetCheck());

    a3.SetCheck(false);
    EXPECT_FALSE(a3.GetCheck());
    EXPECT_TRUE(b2.GetCheck());
    EXPECT_TRUE(m_clicks.empty()) << "SetCheck does not click";
}

TEST_F(SkinButtonCheckTest, ClickOnARadioChecksItAndUnchecksItsGroup)
{
    CxSkinButton& r1 = Make(CxSkinButton::KIND_RADIO, CxSkinButton::GROUP);
    CxSkinButton& r2 = Make(CxSkinButton::KIND_RADIO);
    CxSkinButton& r3 = Make(CxSkinButton::KIND_RADIO);
    CxSkinButton& other = Make(CxSkinButton::KIND_RADIO, CxSkinButton::GROUP);
    r1.SetCheck(true);
    other.SetCheck(true);

    Click(r2);
    EXPECT_FALSE(r1.GetCheck());
    EXPECT_TRUE(r2.GetCheck());
    EXPECT_FALSE(r3.GetCheck());
    EXPECT_TRUE(other.GetCheck());

    Click(r2);
    EXPECT_TRUE(r2.GetCheck()) << "a click never unchecks a radio";
    EXPECT_EQ(m_clicks, (std::vector<int>{r2.GetId(), r2.GetId()}));
}

TEST_F(SkinButtonCheckTest, SpaceOnARadioChecksItAndUnchecksItsGroup)
{
    CxSkinButton& r1 = Make(CxSkinButton::KIND_RADIO, CxSkinButton::GROUP);
    CxSkinButton& r2 = Make(CxSkinButton::KIND_RADIO);
    r1.SetCheck(true);

    Space(r2);
    EXPECT_FALSE(r1.GetCheck());
    EXPECT_TRUE(r2.GetCheck());
    EXPECT_EQ(m_clicks.size(), 1u);
}

TEST_F(SkinButtonCheckTest, ButtonsBeforeTheFirstGroupFlagFormAGroup)
{
    CxSkinButton& r1 = Make(CxSkinButton::KIND_RADIO);
    CxSkinButton& r2 = Make(CxSkinButton::KIND_RADIO);
    CxSkinButton& next = Make(CxSkinButton::KIND_RADIO, CxSkinButton::GROUP);
    r1.SetCheck(true);
    next.SetCheck(true);
    r2.SetCheck(true);
    EXPECT_FALSE(r1.GetCheck());
    EXPECT_TRUE(next.GetCheck());
}

TEST_F(SkinButtonCheckTest, OtherWindowsNeitherStartNorEndAGroup)
{
    CxSkinButton& r1 = Make(CxSkinButton::KIND_RADIO, CxSkinButton::GROUP);
    new wxRadioButton(m_panel.get(), wxID_ANY, wxS("native"), wxDefaultPosition,
                      wxDefaultSize, wxRB_GROUP); // owned by the panel
    CxSkinButton& r2 = Make(CxSkinButton::KIND_RADIO);
    r1.SetCheck(true);
    r2.SetCheck(true);
    EXPECT_FALSE(r1.GetCheck());
}

// ---------------------------------------------------------------- drawing

TEST_F(SkinButtonDrawTest, EachLookDrawsItsPicture)
{
    CxSkinButton& button = MakePictured();
    const wxSize size = button.GetClientSize();
    const auto drawn = [&](Look look) {
        wxBitmap bitmap(size, 24);
        {
            wxMemoryDC dc(bitmap);
            button.Draw(dc, size, look);
        }
        return PixelAt(bitmap, 10, 5);
    };
    EXPECT_EQ(drawn(Look::Normal), kNormal);
    EXPECT_EQ(drawn(Look::Hover), kHover);
    EXPECT_EQ(drawn(Look::Pressed), kPressed);
    EXPECT_EQ(drawn(Look::Disabled), kDisabled);
}

TEST_F(SkinButtonDrawTest, MissingPicturesFallBackAsDescribed)
{
    CxSkinButton& button = Make();
    button.SetStateImages(Solid(20, 10, kNormal), wxImage(), wxImage(), wxImage());
    Move(button, 5, 5);
    EXPECT_EQ(Shown(button), kNormal) << "hover without its picture shows the normal one";

    Down(button);
    EXPECT_EQ(Shown(button, 10, 1), wxColour(90, 124, 185)) << "built-in pressed look";
    Up(button);

    button.Disable();
    EXPECT_EQ(Shown(button, 10, 0), wxColour(147, 146, 146)) << "built-in disabled look";
}

TEST_F(SkinButtonDrawTest, HoverWithoutANormalPictureIsTheBuiltInHoverLook)
{
    CxSkinButton& button = Make();
    button.SetStateImages(wxImage(), Solid(20, 10, kPressed), Solid(20, 10, kHover), wxImage());
    button.SetSize(40, 20);
    Move(button, 5, 5);
    EXPECT_EQ(Shown(button, 20, 0), wxColour(5, 93, 250));
    EXPECT_EQ(Shown(button, 20, 5), wxColour(228, 229, 229));
}

TEST_F(SkinButtonDrawTest, BuiltInNormalLookColours)
{
    CxSkinButton& button = Make();
    button.SetSize(40, 20);
    const wxBitmap shown = button.RenderToBitmap();
    const wxColour outer(111, 110, 110);
    const wxColour inner(237, 237, 237);
    const wxColour upper(229, 228, 228);
    const wxColour lower(214, 213, 213);

    EXPECT_EQ(PixelAt(shown, 20, 0), outer);
    EXPECT_EQ(PixelAt(shown, 20, 19), outer);
    EXPECT_EQ(PixelAt(shown, 0, 10), outer);
    EXPECT_EQ(PixelAt(shown, 39, 10), outer);
    EXPECT_EQ(PixelAt(shown, 20, 1), inner);
    EXPECT_EQ(PixelAt(shown, 1, 10), inner);
    EXPECT_EQ(PixelAt(shown, 38, 10), inner);
    EXPECT_EQ(PixelAt(shown, 20, 18), inner);
    EXPECT_EQ(PixelAt(shown, 20, 2), upper);
    EXPECT_EQ(PixelAt(shown, 2, 9), upper);
    EXPECT_EQ(PixelAt(shown, 20, 10), lower) << "halves divided at height / 2";
    EXPECT_EQ(PixelAt(shown, 37, 17), lower);
}

TEST_F(SkinButtonDrawTest, BuiltInHoverAndPressedLooksWithoutPictures)
{
    CxSkinButton& button = Make();
    button.SetSize(40, 20);
    Move(button, 5, 5);
    EXPECT_EQ(Shown(button, 20, 1), wxColour(123, 168, 246));
    EXPECT_EQ(Shown(button, 20, 15), wxColour(213, 214, 214));
    Down(button);
    EXPECT_EQ(Shown(button, 20, 0), wxColour(1, 12, 31));
    EXPECT_EQ(Shown(button, 20, 5), wxColour(226, 227, 227));
    Up(button);
}

TEST_F(SkinButtonDrawTest, DisabledWithItsNormalPictureLooksLikeEnabled)
{
    CxSkinButton& button = Make();
    // Colour and alpha vary, so any difference in drawing shows.
    wxImage picture(30, 12);
    picture.InitAlpha();
    for (int y = 0; y < 12; ++y) {
        for (int x = 0; x < 30; ++x) {
            picture.SetRGB(x, y, x * 8, y * 20, 255 - x * 8);
            picture.SetAlpha(x, y, static_cast<unsigned char>(x * 8 + y));
        }
    }
    button.SetStateImages(picture, Solid(30, 12, kPressed), Solid(30, 12, kHover), picture);
    button.m_bOffscreen = true;
    button.m_crFill = kFill;

    const wxImage enabled = button.RenderToBitmap().ConvertToImage();
    button.Disable();
    EXPECT_EQ(button.GetLook(), Look::Disabled);
    const wxImage disabled = button.RenderToBitmap().ConvertToImage();
    EXPECT_TRUE(SameImage(enabled, disabled));
}

TEST_F(SkinButtonDrawTest, FillColourShowsThroughATransparentPicture)
{
    CxSkinButton& button = Make();
    wxImage picture = Solid(20, 10, kNormal, 0);
    for (int x = 0; x < 20; ++x)
        picture.SetAlpha(x, 5, 128); // one half-transparent row
    button.SetStateImages(picture, wxImage(), wxImage(), wxImage());
    button.m_bOffscreen = true;
    button.m_crFill = kFill;

    const wxBitmap shown = button.RenderToBitmap();
    EXPECT_EQ(PixelAt(shown, 0, 0), kFill);
    EXPECT_EQ(PixelAt(shown, 19, 9), kFill);
    EXPECT_TRUE(Near(PixelAt(shown, 10, 5), wxColour(105, 10, 15), 3))
        << PixelAt(shown, 10, 5).GetAsString(wxC2S_CSS_SYNTAX);
}

TEST_F(SkinButtonDrawTest, WithoutOffscreenNoBackgroundIsDrawn)
{
    CxSkinButton& button = Make();
    button.SetStateImages(Solid(20, 10, kNormal, 0), wxImage(), wxImage(), wxImage());
    button.m_crFill = kFill;
    EXPECT_EQ(Shown(button), *wxBLACK);
}

namespace {

// Every row its own colour; a different colour from column 25 on, where the
// button must not take its background from.
wxColour RowColour(int row)
{
    return wxColour(row % 256, 255 - row % 256, 77);
}

wxBitmap RowBackdrop(int width, int height)
{
    wxImage image(width, height);
    for (int y = 0; y < height; ++y) {
        const wxColour colour = RowColour(y);
        image.SetRGB(wxRect(0, y, 25, 1), colour.Red(), colour.Green(), colour.Blue());
        image.SetRGB(wxRect(25, y, width - 25, 1), 255, 255, 255);
    }
    return wxBitmap(image);
}

} // namespace

TEST_F(SkinButtonDrawTest, BackdropRowsUnderTheButtonShowThroughATransparentPicture)
{
    const wxBitmap backdrop = RowBackdrop(100, 300);
    CxSkinButton& button = Make(CxSkinButton::KIND_PUSH, 0, wxPoint(40, 40));
    button.SetStateImages(Solid(20, 10, kNormal, 0), wxImage(), wxImage(), wxImage());
    button.m_bOffscreen = true;
    button.m_crFill = kFill;
    button.m_pBackdrop = &backdrop;

    wxBitmap shown = button.RenderToBitmap();
    EXPECT_EQ(PixelAt(shown, 0, 0), RowColour(40));
    EXPECT_EQ(PixelAt(shown, 19, 0), RowColour(40)) << "taken from column 0";
    EXPECT_EQ(PixelAt(shown, 19, 9), RowColour(49));

    button.Move(40, 120); // read afresh at every drawing
    shown = button.RenderToBitmap();
    EXPECT_EQ(PixelAt(shown, 5, 0), RowColour(120));

    button.Move(40, 296); // past the backdrop's bottom: its last rows
    shown = button.RenderToBitmap();
    EXPECT_EQ(PixelAt(shown, 5, 0), RowColour(290));
    EXPECT_EQ(PixelAt(shown, 5, 9), RowColour(299));
}

TEST_F(SkinButtonDrawTest, ButtonSizedDifferentlyShowsThePictureScaledToFillIt)
{
    CxSkinButton& button = Make(CxSkinButton::KIND_PUSH, 0, wxPoint(30, 40));
    wxImage picture(10, 10);
    picture.SetRGB(wxRect(0, 0, 5, 10), 200, 0, 0);
    picture.SetRGB(wxRect(5, 0, 5, 10), 0, 0, 200);
    picture.InitAlpha();
    button.SetStateImages(picture, wxImage(), wxImage(), wxImage());
    EXPECT_EQ(button.GetSize(), wxSize(10, 10)) << "takes its normal picture's size";
    EXPECT_EQ(button.GetPosition(), wxPoint(30, 40)) << "without moving";

    button.SetSize(40, 20);
    ASSERT_EQ(button.GetClientSize(), wxSize(40, 20));
    wxBitmap shown = button.RenderToBitmap();
    EXPECT_EQ(PixelAt(shown, 0, 0), kNormal);
    EXPECT_EQ(PixelAt(shown, 12, 19), kNormal);
    EXPECT_EQ(PixelAt(shown, 28, 2), kPressed);
    EXPECT_EQ(PixelAt(shown, 39, 19), kPressed);

    button.SetSize(10, 10);
    shown = button.RenderToBitmap();
    EXPECT_EQ(PixelAt(shown, 2, 5), kNormal);
    EXPECT_EQ(PixelAt(shown, 7, 5), kPressed);
}

TEST_F(SkinButtonDrawTest, CaptionIsDrawnInItsColourAndAlignment)
{
    CxSkinButton& button = Make();
    button.SetSize(160, 30);
    button.m_crText = wxColour(255, 0, 0);
    const auto redColumns = [&]() {
        const wxImage shown = button.RenderToBitmap().ConvertToImage();
        struct Span
        {
            int first = -1;
            int last = -1;
        } span;
        for (int x = 0; x < shown.GetWidth(); ++x) {
            for (int y = 0; y < shown.GetHeight(); ++y) {
                if (shown.GetRed(x, y) > 180 && shown.GetGreen(x, y) < 90
                    && shown.GetBlue(x, y) < 90) {
                    if (span.first < 0)
                        span.first = x;
                    span.last = x;
                }
            }
        }
        return span;
    };

    EXPECT_EQ(redColumns().first, -1) << "no caption yet";

    button.SetLabel(wxS("&Go"));
    const auto centred = redColumns();
    ASSERT_GE(centred.first, 0);
    EXPECT_GT(centred.first, 40);
    EXPECT_LT(centred.last, 120);

    button.m_nTextFormat = wxALIGN_LEFT;
    const auto left = redColumns();
    EXPECT_GE(left.first, 2);
    EXPECT_LT(left.last, 60);

    button.m_nTextFormat = wxALIGN_RIGHT;
    const auto right = redColumns();
    EXPECT_GT(right.first, 100);
    EXPECT_LE(right.last, 157);

    button.Disable();
    EXPECT_EQ(redColumns().first, -1) << "disabled captions are grey";
}

// ---------------------------------------------------------------- painting

TEST_F(SkinButtonDrawTest, PaintComposesOverTheBackgroundOnlyWhenOffscreen)
{
    CxSkinButton& button = Make(CxSkinButton::KIND_PUSH, 0, wxPoint(50, 60));
    wxImage picture = Solid(30, 16, kNormal, 0);
    picture.SetRGB(wxRect(10, 4, 10, 8), 0, 0, 200);
    for (int y = 4; y < 12; ++y)
        for (int x = 10; x < 20; ++x)
            picture.SetAlpha(x, y, 255);
    button.SetStateImages(picture, wxImage(), wxImage(), wxImage());
    button.m_crFill = kFill;
    const auto painted = [&] {
        return corvale_test::RenderToBitmap(
            wxSize(40, 20), [&](wxDC& dc) { button.Paint(dc); }, *wxWHITE);
    };

    wxBitmap shown = painted();
    EXPECT_EQ(PixelAt(shown, 0, 0), *wxWHITE) << "drawn straight, nothing beneath";
    EXPECT_EQ(PixelAt(shown, 15, 8), kPressed);

    button.m_bOffscreen = true;
    shown = painted();
    EXPECT_EQ(PixelAt(shown, 0, 0), kFill);
    EXPECT_EQ(PixelAt(shown, 29, 15), kFill);
    EXPECT_EQ(PixelAt(shown, 15, 8), kPressed);
    EXPECT_EQ(PixelAt(shown, 35, 18), *wxWHITE) << "only the button's rectangle";
}

// ------------------------------------------------------ program pictures

TEST_F(SkinButtonDrawTest, PicturesLoadedByIdSizeTheButton)
{
    CxSkinButton& button = Make(CxSkinButton::KIND_PUSH, 0, wxPoint(7, 23));
    button.SetStateImages(144, 189, 143, 144); // the Add File(s) button
    EXPECT_EQ(button.GetSize(), wxSize(156, 44));
    EXPECT_EQ(button.GetPosition(), wxPoint(7, 23));
    button.m_bOffscreen = true;
    button.m_crFill = wxColour(247, 251, 255);

    const wxImage normal = button.RenderToBitmap().ConvertToImage();
    Move(button, 5, 5);
    const wxImage hover = button.RenderToBitmap().ConvertToImage();
    Leave(button);
    button.Disable();
    const wxImage disabled = button.RenderToBitmap().ConvertToImage();
    EXPECT_FALSE(SameImage(normal, hover));
    EXPECT_TRUE(SameImage(normal, disabled));
}

TEST_F(SkinButtonDrawTest, MissingPictureIdsFallBack)
{
    CxSkinButton& button = Make();
    button.SetStateImages(150, 1, 2, 3); // only the normal picture exists
    EXPECT_EQ(button.GetSize(), wxSize(144, 48));
    Down(button);
    EXPECT_EQ(Shown(button, 72, 1), wxColour(90, 124, 185)) << "built-in pressed look";
    Up(button);
}

// ------------------------------------------------------- keyboard focus

TEST_F(SkinButtonFocusTest, FocusFromAPressShowsNoFrameUntilAKeyIsPressed)
{
    CxSkinButton& button = MakePictured();
    SendFocus(button, wxEVT_SET_FOCUS);
    EXPECT_TRUE(button.ShowsFocusFrame());
    Click(button);
    EXPECT_FALSE(button.ShowsFocusFrame());
    SendKey(button, wxEVT_KEY_DOWN, WXK_SHIFT);
    EXPECT_TRUE(button.ShowsFocusFrame());
    SendFocus(button, wxEVT_KILL_FOCUS);
    EXPECT_FALSE(button.ShowsFocusFrame());
}

TEST_F(SkinButtonDrawTest, LabelIsNotDrawnWhenThePicturesCarryTheCaption)
{
    CxSkinButton& button = Make();
    button.SetSize(160, 30);
    const wxImage bare = button.RenderToBitmap().ConvertToImage();
    button.m_bCaptionInPictures = true;
    button.SetLabel(wxS("Convert All"));
    EXPECT_TRUE(SameImage(button.RenderToBitmap().ConvertToImage(), bare));
    button.m_bCaptionInPictures = false;
    EXPECT_FALSE(SameImage(button.RenderToBitmap().ConvertToImage(), bare));
}
