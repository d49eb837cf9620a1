// Pictures larger than the page needs at 300 dpi are reduced before the
// page is rendered, in every format, interlaced or not.
#include "page_checks.h"

#include "gif_writer.h"
#include "temp_dir.h"
#include "tools/renderer/band_scaler.h"
#include "tools/renderer/picture_limits.h"
#include "tools/renderer/work_area.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <map>

namespace fs = std::filesystem;

namespace {

struct FitCase {
    PictureSize picture, limit, fitted;
};

TEST(PictureLimits, FitWithinKeepsProportions)
{
    const FitCase cases[] = {
        {{100, 100}, {200, 300}, {100, 100}},      // fits: unchanged
        {{4000, 2000}, {1000, 1000}, {1000, 500}},  // too wide
        {{1000, 5000}, {1000, 1000}, {200, 1000}},  // too tall
        {{65535, 1}, {2480, 3508}, {2480, 1}},      // never below one pixel
    };
    for (const FitCase& c : cases) {
        const PictureSize fitted = FitWithin(c.picture, c.limit);
        EXPECT_EQ(fitted.width, c.fitted.width) << c.picture.width << "x" << c.picture.height;
        EXPECT_EQ(fitted.height, c.fitted.height) << c.picture.width << "x" << c.picture.height;
    }
    const PictureSize a4 = PagePictureLimit({210, 297});
    EXPECT_EQ(a4.width, 2481u);
    EXPECT_EQ(a4.height, 3508u);
}

// Collects the rows a scaler writes.
class RowsWriter : public PictureWriter {
public:
    explicit RowsWriter(std::uint32_t width) : m_nWidth(width) {}
    bool Write(const std::uint8_t* rgba) override
    {
        rows.emplace_back(rgba, rgba + std::size_t{m_nWidth} * 4);
        return true;
    }
    bool Finish() override { return true; }
    std::vector<std::vector<std::uint8_t>> rows;

private:
    std::uint32_t m_nWidth;
};

// A picture whose top half is red and bottom half blue.
testgif::Image HalvesGif(int width, int height, bool interlaced)
{
    std::vector<unsigned char> pixels(static_cast<std::size_t>(width) * height);
    for (int y = height / 2; y < height; ++y)
        std::fill_n(pixels.begin() + static_cast<std::ptrdiff_t>(y) * width, width, 1);
    testgif::Image image{width, height, {{255, 0, 0}, {0, 0, 255}}, 0, {testgif::FullFrame(width, height, pixels)}};
    image.frames[0].interlaced = interlaced;
    return image;
}

class Reduced : public ::testing::TestWithParam<bool> {};

TEST_P(Reduced, InterlacedOrNotInBandsOfAnySize)
{
    TempDir temp;
    const fs::path gif = temp / "halves.gif";
    ASSERT_TRUE(testgif::WriteGif(gif, HalvesGif(300, 200, GetParam())));
    const std::optional<PictureInfo> info = ProbePicture(gif);
    ASSERT_TRUE(info);
    EXPECT_EQ(info->size.width, 300u);
    RowsWriter writer(30);
    BandScaler scaler({30, 20}, writer, 30 * 4 * 8 * 3);  // three rows a band
    int passes = 0;
    for (bool done = false; !done; ++passes) {
        ASSERT_TRUE(DecodePicture(gif, *info, {30, 20}, scaler));
        done = scaler.EndPass();
    }
    EXPECT_EQ(passes, GetParam() ? 7 : 1) << "interlaced rows come in no order: one pass per band";
    ASSERT_EQ(writer.rows.size(), 20u);
    for (std::size_t y = 0; y < 20; ++y) {
        const std::uint8_t* pixel = &writer.rows[y][4 * 15];
        EXPECT_EQ(pixel[0], y < 10 ? 255 : 0) << y;
        EXPECT_EQ(pixel[2], y < 10 ? 0 : 255) << y;
        EXPECT_EQ(pixel[3], 255);
    }
}

INSTANTIATE_TEST_SUITE_P(Gif, Reduced, ::testing::Bool());

// Writes a picture of one colour with the renderer's own writers.
bool WritePlain(const fs::path& file, PictureSize size, bool jpeg)
{
    const std::unique_ptr<PictureWriter> writer = jpeg ? CreateJpegWriter(file, size) : CreatePngWriter(file, size);
    std::vector<std::uint8_t> row(std::size_t{size.width} * 4, 200);
    for (std::uint32_t y = 0; y < size.height; ++y)
        if (!writer || !writer->Write(row.data())) return false;
    return writer->Finish();
}

TEST(PictureLimits, FitPicturesReducesCopiesAndPointsThePageAtThem)
{
    TempDir temp;
    const fs::path folder = temp / "Bilder ä";
    fs::create_directories(folder / "images");
    ASSERT_TRUE(testgif::WriteGif(folder / "images" / "große.gif", HalvesGif(2000, 1000, true)));
    ASSERT_TRUE(WritePlain(folder / "images" / "big.jpg", {3000, 1500}, true));
    ASSERT_TRUE(WritePlain(folder / "images" / "big.png", {1000, 3000}, false));
    ASSERT_TRUE(WritePlain(folder / "images" / "small.png", {100, 100}, false));
    ASSERT_TRUE(testgif::WriteGif(temp / "outside.gif", HalvesGif(2000, 1000, false)));
    const std::string page = "<html><head><style>body { background: url('images/big.png') }</style></head><body>"
                             "<img src=\"images/gro%C3%9Fe.gif\"><img src=\"images/big.jpg?x=1\">"
                             "<img src=\"images/small.png\"><img src=\"../outside.gif\">"
                             "<img src=\"images/gro&#223;e.gif\"><p style=\"background:url(images/big.jpg)\">x</p>"
                             "</body></html>";
    const std::string before = ReadTextFile(folder / "images" / "big.jpg");

    WorkArea area;
    std::string error;
    ASSERT_TRUE(area.Create(fs::canonical(folder), error)) << error;
    const std::vector<HtmlToken> tokens = TokenizeHtml(page);
    const std::vector<TextEdit> edits = FitPictures(page, tokens, fs::canonical(folder), area, {50, 50});
    const PagePlan plan = PlanPieces(page, tokens, {});
    const std::string piece = ComposePiece(page, plan, 0, edits);

    EXPECT_EQ(CountOf(piece, area.FolderReference() + "/picture-"), 4u) << piece;
    EXPECT_EQ(CountOf(piece, "images/small.png"), 1u) << "a picture that fits is left alone";
    EXPECT_EQ(CountOf(piece, "../outside.gif"), 1u) << "nothing outside the page's folder is read";
    EXPECT_EQ(CountOf(piece, "gro&#223;e.gif"), 1u) << "a reference that names no file is left alone";
    EXPECT_EQ(ReadTextFile(folder / "images" / "big.jpg"), before) << "the page's own files stay";
    std::map<std::string, PictureInfo> reduced;
    for (const auto& entry : fs::directory_iterator(area.Folder()))
        if (const auto info = ProbePicture(entry.path())) reduced[entry.path().extension().string()] = *info;
    ASSERT_EQ(reduced.size(), 2u);  // .jpg and .png
    const PictureSize limit = PagePictureLimit({50, 50});
    for (const auto& [extension, info] : reduced) {
        EXPECT_LE(info.size.width, limit.width) << extension;
        EXPECT_LE(info.size.height, limit.height) << extension;
    }
}

}  // namespace
