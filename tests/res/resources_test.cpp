// The compiled-in pictures: every id the window asks for is there, decodes,
// has the size the layout relies on, and the skin has its documented colours.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <iterator>
#include <utility>
#include <vector>

#include <wx/bitmap.h>
#include <wx/icon.h>
#include <wx/iconbndl.h>
#include <wx/image.h>

#include "res/resources.h"
#include "res/wx_resources.h"

namespace {

struct Size {
    int id;
    int width;
    int height;
};

// Button faces: normal, pressed, hover of each button.
const Size kButtons[] = {
    {144, 156, 44}, {189, 156, 44}, {143, 156, 44},  // Add File(s)
    {147, 156, 44}, {145, 156, 44}, {146, 156, 44},  // Add Folder
    {162, 156, 44}, {160, 156, 44}, {161, 156, 44},  // Remove Selected
    {159, 138, 44}, {157, 138, 44}, {158, 138, 44},  // Remove All
    {150, 144, 48}, {148, 144, 48}, {149, 144, 48},  // Convert All
    {165, 39, 25},  {163, 39, 25},  {164, 39, 25},   // Stop
    {153, 186, 50}, {151, 186, 50}, {152, 186, 50},  // Convert Selected
    {156, 77, 37},  {154, 77, 37},  {155, 77, 37},   // Help
};

const Size kBitmaps[] = {
    {141, 518, 184}, {191, 800, 87}, {192, 800, 487}, {193, 800, 5},
    {194, 5, 2000},  {197, 245, 456}, {218, 800, 574},
};

struct Rgb {
    int r, g, b;
};

Rgb PixelAt(const wxImage& image, int x, int y)
{
    return {image.GetRed(x, y), image.GetGreen(x, y), image.GetBlue(x, y)};
}

::testing::AssertionResult Near(const Rgb& actual, const Rgb& expected, int tolerance = 1)
{
    if (std::abs(actual.r - expected.r) <= tolerance && std::abs(actual.g - expected.g) <= tolerance &&
        std::abs(actual.b - expected.b) <= tolerance)
        return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << "(" << actual.r << "," << actual.g << "," << actual.b
                                         << ") is not within " << tolerance << " of (" << expected.r << ","
                                         << expected.g << "," << expected.b << ")";
}

// True when every pixel of row y has the colour of its first pixel.
bool RowIsUniform(const wxImage& image, int y)
{
    const unsigned char* row = image.GetData() + 3 * y * image.GetWidth();
    for (int x = 1; x < image.GetWidth(); ++x) {
        if (row[3 * x] != row[0] || row[3 * x + 1] != row[1] || row[3 * x + 2] != row[2])
            return false;
    }
    return true;
}

bool RowsEqual(const wxImage& a, int ya, const wxImage& b, int yb)
{
    const int w = a.GetWidth();
    return w == b.GetWidth() &&
           std::equal(a.GetData() + 3 * ya * w, a.GetData() + 3 * (ya + 1) * w, b.GetData() + 3 * yb * w);
}

TEST(Resources, EveryButtonFaceIsAPngWithAlphaAndTransparentCorners)
{
    for (const Size& s : kButtons) {
        SCOPED_TRACE(s.id);
        const auto bytes = FindResource(ResourceKind::Png, s.id);
        ASSERT_GT(bytes.size(), 8u);
        EXPECT_EQ(bytes[0], 0x89);
        EXPECT_EQ(bytes[1], 'P');

        const wxImage image = LoadPngImage(s.id);
        ASSERT_TRUE(image.IsOk());
        EXPECT_EQ(image.GetWidth(), s.width);
        EXPECT_EQ(image.GetHeight(), s.height);
        ASSERT_TRUE(image.HasAlpha());
        const int w = s.width - 1;
        const int h = s.height - 1;
        EXPECT_EQ(image.GetAlpha(0, 0), 0);
        EXPECT_EQ(image.GetAlpha(w, 0), 0);
        EXPECT_EQ(image.GetAlpha(0, h), 0);
        EXPECT_EQ(image.GetAlpha(w, h), 0);
    }
}

TEST(Resources, ButtonBodiesAreOpaqueAndStatesDiffer)
{
    // Every face except Help has an opaque body at its centre; the three
    // faces of a button are different pictures.
    for (size_t i = 0; i < std::size(kButtons); i += 3) {
        const int ids[3] = {kButtons[i].id, kButtons[i + 1].id, kButtons[i + 2].id};
        SCOPED_TRACE(ids[0]);
        std::vector<wxImage> faces;
        for (int id : ids)
            faces.push_back(LoadPngImage(id));
        for (const wxImage& face : faces)
            ASSERT_TRUE(face.IsOk());
        if (ids[0] != 156) {
            for (const wxImage& face : faces)
                EXPECT_EQ(face.GetAlpha(face.GetWidth() / 2, face.GetHeight() / 2), 255);
        }
        const size_t bytes = 3u * faces[0].GetWidth() * faces[0].GetHeight();
        EXPECT_FALSE(std::equal(faces[0].GetData(), faces[0].GetData() + bytes, faces[1].GetData()));
        EXPECT_FALSE(std::equal(faces[0].GetData(), faces[0].GetData() + bytes, faces[2].GetData()));
        EXPECT_FALSE(std::equal(faces[1].GetData(), faces[1].GetData() + bytes, faces[2].GetData()));
    }
}

TEST(Resources, EveryBitmapDecodesAtItsSizeWithoutAlpha)
{
    for (const Size& s : kBitmaps) {
        SCOPED_TRACE(s.id);
        EXPECT_FALSE(FindResource(ResourceKind::Bitmap, s.id).empty());
        const wxImage image = LoadSkinImage(s.id);
        ASSERT_TRUE(image.IsOk());
        EXPECT_EQ(image.GetWidth(), s.width);
        EXPECT_EQ(image.GetHeight(), s.height);
        EXPECT_FALSE(image.HasAlpha());
    }
}

TEST(Resources, EveryBitmapLoadsAsABitmapForPainting)
{
    for (const Size& s : kBitmaps) {
        SCOPED_TRACE(s.id);
        const wxBitmap bitmap = LoadSkinBitmap(s.id);
        ASSERT_TRUE(bitmap.IsOk());
        EXPECT_EQ(bitmap.GetWidth(), s.width);
        EXPECT_EQ(bitmap.GetHeight(), s.height);
    }
}

TEST(Resources, OptionsPanelHasAGreyBorderAroundItsFill)
{
    const wxImage panel = LoadSkinImage(141);
    ASSERT_TRUE(panel.IsOk());
    const Rgb border{100, 100, 100};
    const Rgb fill{243, 249, 255};
    for (int x : {0, 1, 258, 516, 517}) {
        EXPECT_TRUE(Near(PixelAt(panel, x, 0), border, 0));
        EXPECT_TRUE(Near(PixelAt(panel, x, 183), border, 0));
    }
    for (int y : {0, 1, 92, 182, 183}) {
        EXPECT_TRUE(Near(PixelAt(panel, 0, y), border, 0));
        EXPECT_TRUE(Near(PixelAt(panel, 517, y), border, 0));
    }
    for (auto [x, y] : {std::pair{1, 1}, {259, 92}, {516, 182}, {516, 1}, {1, 182}})
        EXPECT_TRUE(Near(PixelAt(panel, x, y), fill, 0)) << x << "," << y;
}

TEST(Resources, BannerRunsFromLightToDarkBlue)
{
    const wxImage banner = LoadSkinImage(191);
    ASSERT_TRUE(banner.IsOk());
    EXPECT_TRUE(Near(PixelAt(banner, 0, 0), {144, 195, 230}));
    EXPECT_TRUE(Near(PixelAt(banner, 0, 86), {87, 150, 195}));
    for (int y = 1; y < 87; ++y)
        EXPECT_LE(banner.GetRed(0, y), banner.GetRed(0, y - 1)) << y;
}

TEST(Resources, BodyGradientsAreDarkestInTheMiddle)
{
    const wxImage body = LoadSkinImage(192);
    ASSERT_TRUE(body.IsOk());
    EXPECT_TRUE(Near(PixelAt(body, 0, 0), {177, 224, 255}));
    EXPECT_TRUE(Near(PixelAt(body, 0, 243), {101, 182, 252}, 2));
    EXPECT_TRUE(Near(PixelAt(body, 0, 486), {178, 224, 255}));

    const wxImage strip = LoadSkinImage(193);
    ASSERT_TRUE(strip.IsOk());
    EXPECT_TRUE(Near(PixelAt(strip, 0, 0), {177, 224, 255}));
    EXPECT_TRUE(Near(PixelAt(strip, 0, 4), {178, 224, 255}));

    const wxImage side = LoadSkinImage(194);
    ASSERT_TRUE(side.IsOk());
    EXPECT_TRUE(Near(PixelAt(side, 0, 0), {177, 224, 255}));
    EXPECT_TRUE(Near(PixelAt(side, 0, 1000), {101, 182, 252}));
    EXPECT_TRUE(Near(PixelAt(side, 4, 1999), {178, 224, 255}));
    // the window paints the top 184 rows of it beside the list: the light part
    EXPECT_GT(side.GetRed(0, 183), 160);
}

TEST(Resources, SkinBitmapsDoNotVaryAlongARow)
{
    // The skin buttons take their backdrop from column 0, and the window
    // stretches these bitmaps sideways: only the options panel has columns.
    for (int id : {191, 192, 193, 194, 218}) {
        SCOPED_TRACE(id);
        const wxImage image = LoadSkinImage(id);
        ASSERT_TRUE(image.IsOk());
        for (int y = 0; y < image.GetHeight(); ++y)
            ASSERT_TRUE(RowIsUniform(image, y)) << "row " << y;
    }
}

TEST(Resources, BackdropIsTheBannerAboveTheBody)
{
    const wxImage backdrop = LoadSkinImage(218);
    const wxImage banner = LoadSkinImage(191);
    const wxImage body = LoadSkinImage(192);
    ASSERT_TRUE(backdrop.IsOk() && banner.IsOk() && body.IsOk());
    for (int y = 0; y < 87; ++y)
        ASSERT_TRUE(RowsEqual(backdrop, y, banner, y)) << "row " << y;
    for (int y = 87; y < 574; ++y)
        ASSERT_TRUE(RowsEqual(backdrop, y, body, y - 87)) << "row " << y;
}

TEST(Resources, FallbackPictureIsNotBlank)
{
    const wxImage picture = LoadSkinImage(197);
    ASSERT_TRUE(picture.IsOk());
    // a drawn picture, not a flat fill: the first and last rows differ, and
    // there is more in it than a gradient
    EXPECT_FALSE(RowsEqual(picture, 0, picture, 455));
    int varying_rows = 0;
    for (int y = 0; y < picture.GetHeight(); ++y)
        varying_rows += RowIsUniform(picture, y) ? 0 : 1;
    EXPECT_GT(varying_rows, 200);
}

TEST(Resources, AppIconComesAtEverySize)
{
    for (int size : kAppIconSizes) {
        SCOPED_TRACE(size);
        EXPECT_FALSE(FindResource(ResourceKind::Icon, kAppIconId, size).empty());
        const wxImage image = LoadAppIconImage(size);
        ASSERT_TRUE(image.IsOk());
        EXPECT_EQ(image.GetWidth(), size);
        EXPECT_EQ(image.GetHeight(), size);
        ASSERT_TRUE(image.HasAlpha());
        EXPECT_EQ(image.GetAlpha(0, 0), 0);  // transparent ground
        EXPECT_EQ(image.GetAlpha(size / 2, size / 2), 255);
    }
}

TEST(Resources, AppIconBundleHoldsEverySize)
{
    const wxIconBundle icons = LoadAppIcons();
    ASSERT_EQ(icons.GetIconCount(), std::size(kAppIconSizes));
    for (int size : kAppIconSizes) {
        const wxIcon icon = icons.GetIconOfExactSize(wxSize(size, size));
        ASSERT_TRUE(icon.IsOk()) << size;
        EXPECT_EQ(icon.GetWidth(), size);
    }
}

TEST(Resources, MissingResourcesAreEmpty)
{
    EXPECT_TRUE(FindResource(ResourceKind::Png, 142).empty());
    EXPECT_TRUE(FindResource(ResourceKind::Png, 141).empty());     // a bitmap, not a button face
    EXPECT_TRUE(FindResource(ResourceKind::Bitmap, 144).empty());  // a button face, not a bitmap
    EXPECT_TRUE(FindResource(ResourceKind::Bitmap, -1).empty());
    EXPECT_TRUE(FindResource(ResourceKind::Icon, kAppIconId).empty());  // no size given
    EXPECT_TRUE(FindResource(ResourceKind::Icon, kAppIconId, 24).empty());
    EXPECT_TRUE(FindResource(ResourceKind::Icon, 270, 32).empty());

    EXPECT_FALSE(LoadPngImage(142).IsOk());
    EXPECT_FALSE(LoadSkinImage(190).IsOk());
    EXPECT_FALSE(LoadSkinBitmap(190).IsOk());
    EXPECT_FALSE(LoadAppIconImage(24).IsOk());
}

}  // namespace
