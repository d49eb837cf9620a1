// The main window's skin: the image buttons with their pictures and what
// shows behind them, and the background painted from the skin bitmaps
// around the controls.
#include "app_test_support.h"

#include "app/dlg_ids.h"
#include "app/dlg_template.h"
#include "skin/skin_button.h"
#include "skin/stretch_copy.h"
#include "support/wx/wx_test_env.h"

#include "res/wx_resources.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <set>
#include <tuple>

#include <wx/dcmemory.h>
#include <wx/panel.h>

using namespace app_test;
using corvale_test::PixelAt;

namespace {

const wxColour kMarker(255, 0, 255);          // what painting must not cover
const wxColour kPanelColour(247, 251, 255);   // behind the convert buttons
const wxColour kPanelFill(243, 249, 255);     // inside the options panel
const wxColour kPanelBorder(100, 100, 100);

bool Near(const wxColour& a, const wxColour& b, int tolerance)
{
    return std::abs(a.Red() - b.Red()) <= tolerance && std::abs(a.Green() - b.Green()) <= tolerance &&
           std::abs(a.Blue() - b.Blue()) <= tolerance;
}

using Rgb = std::tuple<int, int, int>;
Rgb Key(const wxColour& c) { return {c.Red(), c.Green(), c.Blue()}; }

struct SkinButtonCase {
    int id;
    int normal;    // picture of the normal look
    int hover;     // picture of the hover look
    bool onBanner;
};

const SkinButtonCase kSkinButtons[] = {
    {IDC_ADD_FILES, 144, 143, true},         {IDC_ADD_FOLDER, 147, 146, true},
    {IDC_REMOVE_SELECTED, 162, 161, true},   {IDC_REMOVE_ALL, 159, 158, true},
    {IDC_CONVERT_ALL, 150, 149, false},      {IDC_STOP, 165, 164, false},
    {IDC_CONVERT_SELECTED, 153, 152, false}, {IDC_HELP, 156, 155, true},
};

// An opaque pixel where two pictures differ.
bool FindDifference(const wxImage& a, const wxImage& b, wxPoint& at)
{
    for (int y = 0; y < a.GetHeight(); ++y) {
        for (int x = 0; x < a.GetWidth(); ++x) {
            if (a.GetAlpha(x, y) == 255 && PixelAt(a, x, y) != PixelAt(b, x, y)) {
                at = wxPoint(x, y);
                return true;
            }
        }
    }
    return false;
}

}  // namespace

class SkinPaintTest : public AppTest {
protected:
    CxSkinButton& Button(int id) const
    {
        auto* button = dynamic_cast<CxSkinButton*>(Control(id));
        EXPECT_NE(button, nullptr) << id;
        return *button;
    }

    wxRect Rect(int id) const { return Control(id)->GetRect(); }

    // The window's background painted over a client-sized picture full of
    // the marker colour.
    wxImage PaintOverMarker()
    {
        const wxBitmap bitmap = corvale_test::RenderToBitmap(
            m_dialog->GetClientSize(), [this](wxDC& dc) { m_dialog->PaintBackground(dc); }, kMarker);
        return bitmap.ConvertToImage();
    }

    // The marker is untouched at the corners and the middle of `r`.
    static void ExpectLeftOut(const wxImage& image, const wxRect& r, const char* what)
    {
        for (const wxPoint& p : {r.GetTopLeft(), r.GetTopRight(), r.GetBottomLeft(), r.GetBottomRight(),
                                 wxPoint(r.x + r.width / 2, r.y + r.height / 2)})
            EXPECT_EQ(PixelAt(image, p.x, p.y), kMarker) << what << " painted at " << p.x << "," << p.y;
    }

    static void ExpectPainted(const wxImage& image, const wxRect& r, const char* what)
    {
        for (const wxPoint& p : {r.GetTopLeft(), r.GetBottomRight(), wxPoint(r.x + r.width / 2, r.y + r.height / 2)})
            EXPECT_NE(PixelAt(image, p.x, p.y), kMarker) << what << " not painted at " << p.x << "," << p.y;
    }
};

// --- the image buttons -------------------------------------------------------------

TEST_F(SkinPaintTest, ImageButtonsHaveTheirPicturesSizesAndBackgrounds)
{
    CVelmoraDlg& dialog = MakeDialog();
    ASSERT_TRUE(dialog.GetBackdropBitmap().IsOk());
    EXPECT_EQ(dialog.GetBackdropBitmap().GetSize(), wxSize(800, 574));

    for (const SkinButtonCase& c : kSkinButtons) {
        SCOPED_TRACE(testing::Message() << "button " << c.id);
        CxSkinButton& button = Button(c.id);
        // The pictures carry the captions: the labels are not drawn.
        EXPECT_TRUE(button.m_bCaptionInPictures);
        EXPECT_TRUE(button.m_bOffscreen);
        const wxSize picture = LoadPngImage(c.normal).GetSize();
        // Help is given its own size by the layout.
        EXPECT_EQ(button.GetSize(), c.id == IDC_HELP ? wxSize(80, 35) : picture);
        if (c.onBanner) {
            EXPECT_EQ(button.m_pBackdrop, &dialog.GetBackdropBitmap());
        } else {
            EXPECT_EQ(button.m_pBackdrop, nullptr);
            EXPECT_EQ(button.m_crFill, kPanelColour);
        }
    }
    EXPECT_EQ(Rect(IDC_ADD_FILES).GetSize(), wxSize(156, 44));
    EXPECT_EQ(Rect(IDC_REMOVE_ALL).GetSize(), wxSize(138, 44));
    EXPECT_EQ(Rect(IDC_CONVERT_ALL).GetSize(), wxSize(144, 48));
    EXPECT_EQ(Rect(IDC_CONVERT_SELECTED).GetSize(), wxSize(186, 50));
    EXPECT_EQ(Rect(IDC_STOP).GetSize(), wxSize(39, 25));

    // The banner buttons stay at their template places.
    for (int id : {IDC_ADD_FILES, IDC_ADD_FOLDER, IDC_REMOVE_SELECTED, IDC_REMOVE_ALL}) {
        const TemplateControl* t = FindTemplateControl(id);
        EXPECT_EQ(Rect(id).GetPosition(), DialogUnitsToPixels(&dialog, t->x, t->y, t->cx, t->cy).GetPosition());
    }
}

TEST_F(SkinPaintTest, ImageButtonsDrawTheirNormalPictureOverTheirBackground)
{
    MakeDialog();
    for (const SkinButtonCase& c : kSkinButtons) {
        if (c.id == IDC_HELP || c.id == IDC_STOP)
            continue;  // Help is drawn scaled; Stop is hidden
        SCOPED_TRACE(testing::Message() << "button " << c.id);
        CxSkinButton& button = Button(c.id);
        const wxImage normal = LoadPngImage(c.normal);
        const wxImage drawn = button.RenderToBitmap().ConvertToImage();
        ASSERT_EQ(drawn.GetSize(), normal.GetSize());

        // A transparent corner shows what is behind the button: the backdrop's
        // row at the button's height, or the panel colour.
        ASSERT_EQ(normal.GetAlpha(0, 0), 0);
        const wxColour behind = c.onBanner
                                    ? PixelAt(m_dialog->GetBackdropBitmap(), 0, button.GetPosition().y)
                                    : kPanelColour;
        EXPECT_EQ(PixelAt(drawn, 0, 0), behind);

        // The normal picture, not the hover one.
        wxPoint at;
        ASSERT_TRUE(FindDifference(normal, LoadPngImage(c.hover), at));
        EXPECT_EQ(PixelAt(drawn, at.x, at.y), PixelAt(normal, at.x, at.y));
    }

    // A disabled Convert All looks like an enabled one.
    CxSkinButton& convertAll = Button(IDC_CONVERT_ALL);
    const wxImage enabled = convertAll.RenderToBitmap().ConvertToImage();
    convertAll.Disable();
    const wxImage disabled = convertAll.RenderToBitmap().ConvertToImage();
    convertAll.Enable();
    ASSERT_EQ(enabled.GetSize(), disabled.GetSize());
    EXPECT_EQ(memcmp(enabled.GetData(), disabled.GetData(), size_t(enabled.GetWidth()) * enabled.GetHeight() * 3),
              0);
}

TEST_F(SkinPaintTest, ClickingAnImageButtonWithTheMouseRunsItsCommand)
{
    MakeDialog();
    CxSkinButton& addFiles = Button(IDC_ADD_FILES);
    const wxSize size = addFiles.GetSize();
    corvale_test::SendMouse(addFiles, wxEVT_LEFT_DOWN, size.x / 2, size.y / 2);
    corvale_test::SendMouse(addFiles, wxEVT_LEFT_UP, size.x / 2, size.y / 2);
    Pump();
    // Add File(s) opened the file dialog (answered "cancel" here).
    EXPECT_EQ(m_prompts.openCount, 1);
}

// --- the painted background ----------------------------------------------------------

TEST_F(SkinPaintTest, BackgroundIsPaintedFromTheSkinPieces)
{
    CVelmoraDlg& dialog = MakeDialog();
    dialog.GetAdsPanel()->Hide();  // the whole background shows, placeholder included
    dialog.SetClientSize(1000, 700);
    ASSERT_TRUE(PumpUntil([&] { return dialog.GetClientSize() == wxSize(1000, 700) && Rect(IDC_HELP).x == 875; }));
    const wxImage painted = PaintOverMarker();
    const int W = 1000;
    const int H = 700;

    // The rectangles the painting worked from.
    const wxRect list = Rect(IDC_FILE_LIST);
    const wxRect side = Rect(IDC_PANEL_PLACEHOLDER);
    EXPECT_EQ(dialog.GetListRect(), list);
    EXPECT_EQ(dialog.GetSideRect(), side);
    const wxRect under = dialog.GetUnderListRect();
    EXPECT_EQ(under, wxRect(list.x, list.GetBottom() + 1, list.width, side.GetBottom() - list.GetBottom()));

    // The banner, right of Help and above the buttons: bitmap 191 row by row,
    // light blue at the top to a deeper blue at its foot.
    const wxImage banner = LoadSkinImage(191);
    for (int y = 0; y < 87; ++y) {
        ASSERT_EQ(PixelAt(painted, W - 20, y), PixelAt(banner, 0, y)) << "row " << y;
        if (y < Rect(IDC_ADD_FILES).y) {
            ASSERT_EQ(PixelAt(painted, 2, y), PixelAt(banner, 0, y)) << "row " << y;
        }
    }
    EXPECT_TRUE(Near(PixelAt(painted, W - 20, 0), wxColour(144, 195, 230), 2));
    EXPECT_TRUE(Near(PixelAt(painted, W - 20, 86), wxColour(87, 150, 195), 2));

    // The strip under the banner, from the left strip to the side panel's
    // frame, and the strip along the bottom, across the window: bitmap 193.
    const wxImage strip = LoadSkinImage(193);
    for (int row = 0; row < 5; ++row) {
        for (int x : {5, 300, list.GetRight()})
            EXPECT_EQ(PixelAt(painted, x, 87 + row), PixelAt(strip, 0, row)) << x << "," << 87 + row;
        for (int x : {0, 300, side.x, W - 1})
            EXPECT_EQ(PixelAt(painted, x, H - 5 + row), PixelAt(strip, 0, row)) << x << "," << H - 5 + row;
    }

    // The strip left of the list: the light top of bitmap 194 (its first
    // 184 rows) stretched down the window, lightest at the top.
    const wxImage vstrip = LoadSkinImage(194);
    std::set<Rgb> topColours;
    for (int y = 0; y < 184; ++y)
        topColours.insert(Key(PixelAt(vstrip, 0, y)));
    int lastRed = 255;
    for (int y = 92; y < H - 5; ++y) {
        const wxColour c = PixelAt(painted, 2, y);
        ASSERT_TRUE(topColours.count(Key(c))) << "row " << y << " " << c.GetAsString(wxC2S_CSS_SYNTAX);
        ASSERT_LE(c.Red(), lastRed) << "row " << y;
        lastRed = c.Red();
        ASSERT_EQ(PixelAt(painted, 0, y), c) << "row " << y;
        ASSERT_EQ(PixelAt(painted, 4, y), c) << "row " << y;
    }
    EXPECT_TRUE(Near(PixelAt(painted, 2, 92), PixelAt(vstrip, 0, 0), 1));
    EXPECT_TRUE(Near(PixelAt(painted, 2, H - 6), PixelAt(vstrip, 0, 183), 1));

    // The frame around the side panel: bitmap 192 stretched over the
    // panel's rectangle grown by 5, the same colour on both sides of a row,
    // darkest about the middle.
    const wxImage body = LoadSkinImage(192);
    std::set<Rgb> bodyColours;
    for (int y = 0; y < body.GetHeight(); ++y)
        bodyColours.insert(Key(PixelAt(body, 0, y)));
    for (int y = side.y; y <= side.GetBottom(); ++y) {
        const wxColour left = PixelAt(painted, side.x - 3, y);
        ASSERT_TRUE(bodyColours.count(Key(left))) << "row " << y;
        ASSERT_EQ(PixelAt(painted, side.x - 5, y), left) << "row " << y;  // the gap beside the list
        ASSERT_EQ(PixelAt(painted, side.GetRight() + 3, y), left) << "row " << y;
        ASSERT_EQ(PixelAt(painted, W - 1, y), left) << "row " << y;
    }
    EXPECT_TRUE(Near(PixelAt(painted, side.x - 3, side.y + side.height / 2), wxColour(101, 182, 252), 3));
    EXPECT_TRUE(Near(PixelAt(painted, side.x - 3, side.y), wxColour(177, 224, 255), 3));
    for (int y = side.y - 5; y < side.y; ++y)
        EXPECT_TRUE(bodyColours.count(Key(PixelAt(painted, side.x + 10, y)))) << "row " << y;

    // The options panel under the list: bitmap 141, a grey border around
    // the light fill, over its whole rectangle.
    for (const wxPoint& p : {under.GetTopLeft(), under.GetTopRight(), under.GetBottomLeft(), under.GetBottomRight(),
                             wxPoint(under.x + under.width / 2, under.y), wxPoint(under.x, under.y + under.height / 2),
                             wxPoint(under.GetRight(), under.y + 90), wxPoint(under.x + 200, under.GetBottom())})
        EXPECT_EQ(PixelAt(painted, p.x, p.y), kPanelBorder) << p.x << "," << p.y;
    for (const wxPoint& p : {wxPoint(under.x + 3, under.y + 3), wxPoint(under.GetRight() - 3, under.GetBottom() - 3),
                             wxPoint(under.x + 10, under.y + under.height / 2)})
        EXPECT_EQ(PixelAt(painted, p.x, p.y), kPanelFill) << p.x << "," << p.y;

    // Nothing is left unpainted but what the controls cover.
    wxRegion covered;
    for (int id : {IDC_FILE_LIST, IDC_ADD_FILES, IDC_ADD_FOLDER, IDC_REMOVE_SELECTED, IDC_REMOVE_ALL, IDC_HELP,
                   IDC_CONVERT_SELECTED, IDC_CONVERT_ALL})
        covered.Union(Rect(id));
    int unpainted = 0;
    for (int y = 0; y < H; ++y) {
        for (int x = 0; x < W; ++x) {
            if (PixelAt(painted, x, y) == kMarker && covered.Contains(x, y) == wxOutRegion)
                ++unpainted;
        }
    }
    EXPECT_EQ(unpainted, 0);
}

TEST_F(SkinPaintTest, PaintingLeavesOutTheControlsThatShow)
{
    CVelmoraDlg& dialog = MakeDialog();

    // Idle: the list, the image buttons and the convert buttons are left
    // out (Stop, hidden, stands within Convert All).
    wxImage painted = PaintOverMarker();
    ExpectLeftOut(painted, Rect(IDC_FILE_LIST), "list");
    for (int id : {IDC_ADD_FILES, IDC_ADD_FOLDER, IDC_REMOVE_SELECTED, IDC_REMOVE_ALL, IDC_HELP})
        ExpectLeftOut(painted, Rect(id), "banner button");
    ExpectLeftOut(painted, Rect(IDC_CONVERT_ALL), "Convert All");
    ExpectLeftOut(painted, Rect(IDC_CONVERT_SELECTED), "Convert Selected");

    // Running: the other way round. The flag of a run is not set here, only
    // the look: what shows decides.
    dialog.SetRunningLook(true);
    ASSERT_FALSE(dialog.IsConverting());
    painted = PaintOverMarker();
    ExpectLeftOut(painted, Rect(IDC_STOP), "Stop");
    ExpectPainted(painted, Rect(IDC_CONVERT_ALL), "Convert All");
    ExpectPainted(painted, Rect(IDC_CONVERT_SELECTED), "Convert Selected");
    const wxRect convertAll = Rect(IDC_CONVERT_ALL);
    EXPECT_EQ(PixelAt(painted, convertAll.x + convertAll.width / 2, convertAll.y + convertAll.height / 2), kPanelFill);
    ExpectLeftOut(painted, Rect(IDC_FILE_LIST), "list");
    dialog.SetRunningLook(false);
}

TEST_F(SkinPaintTest, ControlsWithoutABackgroundShowThePanelUnderThem)
{
    MakeDialog();
    const wxImage painted = PaintOverMarker();
    // The label, the radio buttons and the link draw no background of their
    // own: the options panel is painted under them.
    for (int id : {IDC_OUTPUT_LABEL, IDC_SAVE_IN_SOURCE, IDC_CUSTOMIZE, IDC_HOME_LINK}) {
        const wxRect r = Rect(id);
        EXPECT_EQ(PixelAt(painted, r.x + r.width / 2, r.y + r.height / 2), kPanelFill) << "control " << id;
        EXPECT_EQ(PixelAt(painted, r.GetRight(), r.GetBottom()), kPanelFill) << "control " << id;
    }
}

TEST_F(SkinPaintTest, SidePanelIsLeftOutOnceAPanelCoversIt)
{
    CVelmoraDlg& dialog = MakeDialog();
    const wxRect side = Rect(IDC_PANEL_PLACEHOLDER);
    const wxPoint middle(side.x + side.width / 2, side.y + side.height / 2);

    // The promotion panel made at start-up covers the placeholder.
    ASSERT_NE(dialog.GetAdsPanel(), nullptr);
    EXPECT_EQ(dialog.GetAdsPanel()->GetRect(), side);
    ExpectLeftOut(PaintOverMarker(), side, "promotion panel");
    dialog.GetAdsPanel()->Destroy();
    dialog.SetAdsPanel(nullptr);

    // Until then the placeholder shows as an empty light panel in its frame.
    wxImage painted = PaintOverMarker();
    EXPECT_EQ(PixelAt(painted, middle.x, middle.y), kPanelColour);
    EXPECT_EQ(PixelAt(painted, side.x, side.y), kPanelColour);

    auto* panel = new wxPanel(&dialog, wxID_ANY, side.GetPosition(), side.GetSize());
    dialog.SetAdsPanel(panel);
    painted = PaintOverMarker();
    ExpectLeftOut(painted, side, "side panel");
    // Its frame is still painted.
    EXPECT_NE(PixelAt(painted, side.x - 1, middle.y), kMarker);
    EXPECT_NE(PixelAt(painted, side.GetRight() + 1, middle.y), kMarker);

    // A hidden panel covers nothing.
    panel->Hide();
    painted = PaintOverMarker();
    EXPECT_EQ(PixelAt(painted, middle.x, middle.y), kPanelColour);
}

// --- stretch copies ----------------------------------------------------------------

TEST(StretchCopy, StretchesAPartToTheNearestPixels)
{
    // 4 x 2 source: columns red, green, blue, white on row 0; black row 1.
    wxImage source(4, 2);
    const wxColour colours[] = {*wxRED, *wxGREEN, *wxBLUE, *wxWHITE};
    for (int x = 0; x < 4; ++x) {
        source.SetRGB(x, 0, colours[x].Red(), colours[x].Green(), colours[x].Blue());
        source.SetRGB(x, 1, 0, 0, 0);
    }
    const wxBitmap bitmap(source);

    CStretchCopy copy;
    // Columns 1 and 2 of row 0, stretched to 8 x 3 at (1, 1).
    const wxBitmap drawn = corvale_test::RenderToBitmap(
        wxSize(10, 5), [&](wxDC& dc) { copy.Draw(dc, bitmap, wxRect(1, 0, 2, 1), wxRect(1, 1, 8, 3)); }, kMarker);
    const wxImage image = drawn.ConvertToImage();
    for (int y = 0; y < 5; ++y) {
        for (int x = 0; x < 10; ++x) {
            const bool inside = x >= 1 && x <= 8 && y >= 1 && y <= 3;
            const wxColour expected = !inside ? kMarker : (x <= 4 ? *wxGREEN : *wxBLUE);
            EXPECT_EQ(PixelAt(image, x, y), expected) << x << "," << y;
        }
    }

    // The scaled copy is kept while nothing changes, and made again when the
    // size does.
    const wxBitmap first = copy.Scaled(bitmap, wxRect(1, 0, 2, 1), wxSize(6, 3));
    EXPECT_TRUE(copy.Scaled(bitmap, wxRect(1, 0, 2, 1), wxSize(6, 3)).IsSameAs(first));
    EXPECT_EQ(copy.Scaled(bitmap, wxRect(1, 0, 2, 1), wxSize(4, 3)).GetSize(), wxSize(4, 3));

    // A part outside the source, or an empty destination, draws nothing.
    EXPECT_FALSE(copy.Scaled(bitmap, wxRect(3, 0, 2, 1), wxSize(4, 3)).IsOk());
    EXPECT_FALSE(copy.Scaled(bitmap, wxRect(0, 0, 2, 1), wxSize(0, 3)).IsOk());
}
