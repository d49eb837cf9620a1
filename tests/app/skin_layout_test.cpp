// The main window's resize layout: where every control stands for a client
// size, what grows and what stays, the minimum size, and the promotion
// panel's place.
#include "app_test_support.h"

#include "app/dlg_ids.h"
#include "app/dlg_layout.h"
#include "app/dlg_template.h"
#include "promo/ads_dialog.h"
#include "skin/my_list_ctrl.h"
#include "skin/skin_button.h"

#include "res/wx_resources.h"

#include <algorithm>
#include <utility>

#include <wx/panel.h>

using namespace app_test;

namespace {

// Client sizes the layout is checked at; the last is smaller than the
// smallest size the layout computes for.
const std::vector<wxSize> kClientSizes = {{800, 600}, {1000, 700}, {1400, 1000}, {640, 480}};

// Every control of the window but the top-level ones.
std::vector<wxWindow*> Controls(const wxWindow& dialog)
{
    std::vector<wxWindow*> controls;
    for (wxWindow* child : dialog.GetChildren()) {
        if (!child->IsTopLevel())
            controls.push_back(child);
    }
    return controls;
}

int Middle(const wxRect& r) { return r.y + r.height / 2; }

bool CoversPlaceholder(const wxWindow& a, const wxWindow& b)
{
    const auto isPanel = [](const wxWindow& w) { return w.GetId() == CAdsDialog::IDD; };
    const auto isPlaceholder = [](const wxWindow& w) { return w.GetId() == IDC_PANEL_PLACEHOLDER; };
    return (isPanel(a) && isPlaceholder(b)) || (isPlaceholder(a) && isPanel(b));
}

}  // namespace

class SkinLayoutTest : public AppTest {
protected:
    wxRect Rect(int id) const { return Control(id)->GetRect(); }

    // The placeholder's width: its template width, never changed.
    int SideWidth() const { return Template(IDC_PANEL_PLACEHOLDER).width; }

    wxRect Template(int id) const
    {
        const TemplateControl* t = FindTemplateControl(id);
        return DialogUnitsToPixels(m_dialog, t->x, t->y, t->cx, t->cy);
    }

    // Checks every control against the layout for a client of cx by cy.
    void ExpectLayout(int cx, int cy)
    {
        SCOPED_TRACE(testing::Message() << "client " << cx << "x" << cy);
        const int W = std::max(cx, kLayoutMinWidth);
        const int H = std::max(cy, kLayoutMinHeight);
        const int sw = SideWidth();

        EXPECT_EQ(Rect(IDC_FILE_LIST), wxRect(5, 92, W - sw - 15, H - 284));
        EXPECT_EQ(Rect(IDC_HELP), wxRect(W - 125, 26, 80, 35));
        EXPECT_EQ(Rect(IDC_PANEL_PLACEHOLDER), wxRect(W - sw - 5, 92, sw, H - 97));

        // Moved at their offsets from the right and bottom edges.
        const std::pair<int, wxPoint> moved[] = {
            {IDC_BROWSE, {W - 390, H - 125}},           {IDC_CONVERT_SELECTED, {W - 680, H - 90}},
            {IDC_CONVERT_ALL, {W - 480, H - 90}},       {IDC_HOME_LINK, {17, H - 35}},
            {IDC_STOP, {W - 390, H - 85}},
        };
        for (const auto& [id, position] : moved)
            EXPECT_EQ(Rect(id).GetPosition(), position) << "control " << id;

        // The rows of the output-folder choice: the table's x, texts level
        // along each row.
        EXPECT_EQ(Rect(IDC_OUTPUT_LABEL).x, W - 778);
        EXPECT_EQ(Rect(IDC_SAVE_IN_SOURCE).x, W - 687);
        EXPECT_EQ(Rect(IDC_CUSTOMIZE).x, W - 687);
        const int firstRow = H - 150 + Template(IDC_SAVE_IN_SOURCE).height / 2;
        EXPECT_LE(std::abs(Middle(Rect(IDC_SAVE_IN_SOURCE)) - firstRow), 1);
        EXPECT_LE(std::abs(Middle(Rect(IDC_OUTPUT_LABEL)) - firstRow), 1);
        EXPECT_LE(std::abs(Middle(Rect(IDC_PAGE_SETUP)) - firstRow), 1);
        EXPECT_LE(std::abs(Middle(Rect(IDC_CUSTOMIZE)) - Middle(Rect(IDC_OUTPUT_FOLDER))), 1);

        // The folder field: at W - 608 unless "Customize :" needs the room,
        // its right edge where the template width puts it.
        const wxRect field = Rect(IDC_OUTPUT_FOLDER);
        EXPECT_EQ(field.y, H - 125);
        EXPECT_EQ(field.GetRight(), W - 608 + Template(IDC_OUTPUT_FOLDER).width - 1);
        EXPECT_EQ(field.x, std::max(W - 608, Rect(IDC_CUSTOMIZE).GetRight() + 1 + 4));

        // The progress bar at the table's x. GTK draws it as a thin trough at
        // the bottom of its box, which is raised to bring the bar level with
        // the middle of Stop.
        const wxRect progress = Rect(IDC_PROGRESS);
        EXPECT_EQ(progress.x, W - 680);
#ifdef __WXGTK__
        EXPECT_EQ(progress.GetBottom() + 1, Middle(Rect(IDC_STOP)) + 3);
#else
        EXPECT_EQ(progress.y, H - 85);
#endif

        // Page Setup stands above Browse, right-aligned with it.
        EXPECT_EQ(Rect(IDC_PAGE_SETUP).GetRight(), Rect(IDC_BROWSE).GetRight());
        EXPECT_LT(Rect(IDC_PAGE_SETUP).GetBottom(), Rect(IDC_BROWSE).y);

        // The four banner buttons never move.
        for (int id : {IDC_ADD_FILES, IDC_ADD_FOLDER, IDC_REMOVE_SELECTED, IDC_REMOVE_ALL})
            EXPECT_EQ(Rect(id).GetPosition(), Template(id).GetPosition()) << "control " << id;

        // The list's columns share its new width.
        const CMyListCtrl& list = List();
        const auto widths = CMyListCtrl::ColumnWidths(list.GetColumnsClientWidth());
        for (int column = 0; column < 4; ++column)
            EXPECT_EQ(list.GetColumnWidth(column), widths[size_t(column)]) << "column " << column;
    }

    // Nothing overlaps among the controls that show, and every one lies
    // within the laid-out area; the options stand on the panel under the list.
    void ExpectNoCollisions(int cx, int cy)
    {
        SCOPED_TRACE(testing::Message() << "client " << cx << "x" << cy
                                        << (m_dialog->IsRunningLook() ? " running" : " idle"));
        const wxRect area(0, 0, std::max(cx, kLayoutMinWidth), std::max(cy, kLayoutMinHeight));
        const wxRect list = Rect(IDC_FILE_LIST);
        const wxRect side = Rect(IDC_PANEL_PLACEHOLDER);
        const wxRect panel(list.x, list.GetBottom() + 1, list.width, side.GetBottom() - list.GetBottom());

        std::vector<wxWindow*> shown;
        for (wxWindow* control : Controls(*m_dialog)) {
            if (control->IsShown())
                shown.push_back(control);
        }
        for (size_t i = 0; i < shown.size(); ++i) {
            const wxRect r = shown[i]->GetRect();
            EXPECT_TRUE(area.Contains(r)) << "control " << shown[i]->GetId();
            for (size_t j = i + 1; j < shown.size(); ++j) {
                if (CoversPlaceholder(*shown[i], *shown[j]))
                    continue;  // the promotion panel lies over its placeholder
                EXPECT_FALSE(r.Intersects(shown[j]->GetRect()))
                    << "controls " << shown[i]->GetId() << " and " << shown[j]->GetId();
            }
        }
        for (int id : {IDC_OUTPUT_LABEL, IDC_SAVE_IN_SOURCE, IDC_CUSTOMIZE, IDC_OUTPUT_FOLDER, IDC_BROWSE,
                       IDC_PAGE_SETUP, IDC_CONVERT_SELECTED, IDC_CONVERT_ALL, IDC_HOME_LINK, IDC_PROGRESS, IDC_STOP}) {
            EXPECT_TRUE(panel.Contains(Rect(id))) << "control " << id << " leaves the options panel";
        }
    }
};

// --- every control at its place -----------------------------------------------

TEST_F(SkinLayoutTest, ControlsStandAtTheirOffsetsForEveryClientSize)
{
    CVelmoraDlg& dialog = MakeDialog();
    // Moving keeps the sizes (the image buttons have their pictures' sizes).
    std::vector<std::pair<int, wxSize>> sizes;
    for (int id : {IDC_OUTPUT_LABEL, IDC_SAVE_IN_SOURCE, IDC_CUSTOMIZE, IDC_BROWSE, IDC_CONVERT_SELECTED,
                   IDC_CONVERT_ALL, IDC_HOME_LINK, IDC_PROGRESS, IDC_STOP, IDC_PAGE_SETUP, IDC_ADD_FILES,
                   IDC_ADD_FOLDER, IDC_REMOVE_SELECTED, IDC_REMOVE_ALL})
        sizes.emplace_back(id, Rect(id).GetSize());

    for (const wxSize& client : kClientSizes) {
        dialog.ApplyLayout(client.x, client.y);
        ExpectLayout(client.x, client.y);
        for (const auto& [id, size] : sizes)
            EXPECT_EQ(Rect(id).GetSize(), size) << "control " << id;
    }
}

TEST_F(SkinLayoutTest, NothingCollidesOrLeavesItsAreaInEitherLook)
{
    CVelmoraDlg& dialog = MakeDialog();
    for (bool running : {false, true}) {
        dialog.SetRunningLook(running);
        for (const wxSize& client : kClientSizes) {
            dialog.ApplyLayout(client.x, client.y);
            ExpectNoCollisions(client.x, client.y);
        }
    }
    dialog.SetRunningLook(false);

    // The texts beside the controls are not cut: the label and the radio
    // buttons are as wide as their texts need.
    for (int id : {IDC_OUTPUT_LABEL, IDC_SAVE_IN_SOURCE, IDC_CUSTOMIZE}) {
        wxWindow* control = Control(id);
        EXPECT_GE(control->GetSize().x, control->GetTextExtent(control->GetLabel()).x) << "control " << id;
    }
}

// --- resizing the window ---------------------------------------------------------

TEST_F(SkinLayoutTest, ResizingTheWindowLaysItOutAgain)
{
    CVelmoraDlg& dialog = MakeDialog();
    const wxSize start = dialog.GetClientSize();
    ExpectLayout(start.x, start.y);
    const wxPoint linkAt = Rect(IDC_HOME_LINK).GetPosition();

    for (const wxSize& client : {wxSize(1000, 700), wxSize(1400, 1000)}) {
        dialog.SetClientSize(client);
        const wxRect list(5, 92, client.x - SideWidth() - 15, client.y - 284);
        ASSERT_TRUE(PumpUntil([&] { return dialog.GetClientSize() == client && Rect(IDC_FILE_LIST) == list; }))
            << "client " << dialog.GetClientSize().x << "x" << dialog.GetClientSize().y;
        ExpectLayout(client.x, client.y);
        ExpectNoCollisions(client.x, client.y);
    }

    // Growing by 400 x 300 from 1000 x 700: the list grows by as much, the
    // controls on the right move by as much, the link and the banner
    // buttons stay.
    dialog.SetClientSize(1000, 700);
    ASSERT_TRUE(PumpUntil([&] { return Rect(IDC_FILE_LIST).width == 1000 - SideWidth() - 15; }));
    std::vector<std::pair<int, wxRect>> before;
    for (wxWindow* control : Controls(dialog))
        before.emplace_back(control->GetId(), control->GetRect());
    dialog.SetClientSize(1400, 1000);
    ASSERT_TRUE(PumpUntil([&] { return Rect(IDC_FILE_LIST).width == 1400 - SideWidth() - 15; }));
    for (const auto& [id, was] : before) {
        SCOPED_TRACE(testing::Message() << "control " << id);
        const wxRect now = Rect(id);
        switch (id) {
        case IDC_FILE_LIST:
            EXPECT_EQ(now, wxRect(was.x, was.y, was.width + 400, was.height + 300));
            break;
        case IDC_PANEL_PLACEHOLDER:
        case CAdsDialog::IDD:
            EXPECT_EQ(now, wxRect(was.x + 400, was.y, was.width, was.height + 300));
            break;
        case IDC_HELP:
            EXPECT_EQ(now, wxRect(was.x + 400, was.y, was.width, was.height));
            break;
        case IDC_ADD_FILES:
        case IDC_ADD_FOLDER:
        case IDC_REMOVE_SELECTED:
        case IDC_REMOVE_ALL:
            EXPECT_EQ(now, was);
            break;
        case IDC_HOME_LINK:
            EXPECT_EQ(now, wxRect(was.x, was.y + 300, was.width, was.height));
            break;
        default:
            EXPECT_EQ(now, wxRect(was.x + 400, was.y + 300, was.width, was.height));
            break;
        }
    }
    EXPECT_EQ(Rect(IDC_HOME_LINK).x, linkAt.x);
}

TEST_F(SkinLayoutTest, TheWindowCannotBeMadeSmallerThanItsMinimum)
{
    CVelmoraDlg& dialog = MakeDialog();
    EXPECT_EQ(dialog.GetMinSize(), wxSize(850, 650));
    // The first start's size is the smallest one.
    EXPECT_EQ(dialog.GetSize(), wxSize(850, 650));

    dialog.SetSize(600, 400);
    Pump();
    EXPECT_GE(dialog.GetSize().x, 850);
    EXPECT_GE(dialog.GetSize().y, 650);

    dialog.SetSize(1200, 500);
    Pump();
    EXPECT_EQ(dialog.GetSize().x, 1200);
    EXPECT_GE(dialog.GetSize().y, 650);
}

TEST_F(SkinLayoutTest, ShrinkingLeavesNoScrollBarPlaceUnderTheList)
{
    CVelmoraDlg& dialog = MakeDialog();
    AddFiles({MakeFile("in/a.mobi"), MakeFile("in/b.mobi")});
    // The list's header and rows fill its client area, one above the other.
    const auto filled = [this] {
        int height = 0;
        for (const wxWindow* part : List().GetChildren())
            height += part->GetSize().GetHeight();
        return height;
    };
    const wxSize start = dialog.GetClientSize();
    ASSERT_EQ(filled(), List().GetClientSize().GetHeight());

    dialog.SetClientSize(1400, 1000);
    ASSERT_TRUE(PumpUntil([&] { return Rect(IDC_FILE_LIST).width == 1400 - SideWidth() - 15; }));
    for (int round = 0; round < 5; ++round)
        Pump();
    dialog.SetClientSize(start);
    ASSERT_TRUE(PumpUntil([&] { return Rect(IDC_FILE_LIST).width == start.x - SideWidth() - 15; }));
    for (int round = 0; round < 5; ++round)
        Pump();
    // No place was kept for a horizontal scroll bar at the rows' foot.
    EXPECT_EQ(filled(), List().GetClientSize().GetHeight());
}

// --- the promotion panel's place -------------------------------------------------

TEST_F(SkinLayoutTest, APanelOverThePlaceholderFollowsIt)
{
    CVelmoraDlg& dialog = MakeDialog();
    const wxRect place = Rect(IDC_PANEL_PLACEHOLDER);
    auto* panel = new wxPanel(&dialog, wxID_ANY, place.GetPosition(), wxSize(place.width, 100));
    dialog.SetAdsPanel(panel);
    const wxSize client = dialog.GetClientSize();
    EXPECT_EQ(panel->GetRect(), wxRect(client.x - place.width - 5, 92, place.width, client.y - 97));
    EXPECT_EQ(panel->GetRect(), Rect(IDC_PANEL_PLACEHOLDER));

    for (const wxSize& size : kClientSizes) {
        dialog.ApplyLayout(size.x, size.y);
        const int W = std::max(size.x, kLayoutMinWidth);
        const int H = std::max(size.y, kLayoutMinHeight);
        EXPECT_EQ(panel->GetRect(), wxRect(W - place.width - 5, 92, place.width, H - 97));
    }
}
