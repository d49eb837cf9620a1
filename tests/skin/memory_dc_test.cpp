#include <gtest/gtest.h>

#include <wx/dcmemory.h>

#include "skin/memory_dc.h"
#include "wx_test_env.h"

using corvale_test::PixelAt;

namespace {

const wxColour kWhite(255, 255, 255);
const wxColour kRed(200, 0, 0);

wxBitmap WhiteBitmap(int width, int height)
{
    wxBitmap bitmap(width, height, 24);
    wxMemoryDC dc(bitmap);
    dc.SetBackground(*wxWHITE_BRUSH);
    dc.Clear();
    return bitmap;
}

void FillWith(wxDC& dc, const wxRect& rect, const wxColour& colour)
{
    dc.SetPen(*wxTRANSPARENT_PEN);
    dc.SetBrush(wxBrush(colour));
    dc.DrawRectangle(rect);
}

} // namespace

TEST(MemoryDcTest, CopiesItsAreaToTheTargetWhenItEnds)
{
    wxBitmap target = WhiteBitmap(50, 50);
    {
        wxMemoryDC targetDc(target);
        {
            CMemoryDC surface(targetDc, wxRect(10, 10, 20, 20));
            ASSERT_TRUE(surface.IsOk());
            // Callers draw in the target's coordinates, beyond the area too.
            FillWith(surface, wxRect(0, 0, 50, 50), kRed);
        }
    }
    EXPECT_EQ(PixelAt(target, 10, 10), kRed);
    EXPECT_EQ(PixelAt(target, 29, 29), kRed);
    EXPECT_EQ(PixelAt(target, 9, 9), kWhite);
    EXPECT_EQ(PixelAt(target, 30, 30), kWhite);
    EXPECT_EQ(PixelAt(target, 45, 15), kWhite);
}

TEST(MemoryDcTest, EmptyAreaTakesTheClippingBox)
{
    wxBitmap target = WhiteBitmap(40, 40);
    wxMemoryDC targetDc(target);
    targetDc.SetClippingRegion(wxRect(5, 6, 10, 12));
    CMemoryDC surface(targetDc);
    EXPECT_EQ(surface.GetArea(), wxRect(5, 6, 10, 12));
}

TEST(MemoryDcTest, EmptyAreaWithoutClippingTakesTheWholeTarget)
{
    wxBitmap target = WhiteBitmap(40, 30);
    wxMemoryDC targetDc(target);
    CMemoryDC surface(targetDc);
    EXPECT_EQ(surface.GetArea(), wxRect(0, 0, 40, 30));
}
