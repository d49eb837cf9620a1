#include "gif_writer.h"

#include "base/file_ptr.h"

#include <cstdio>
#include <memory>

#include <gif_lib.h>

namespace testgif {
namespace {

struct MapFreer {
    void operator()(ColorMapObject* map) const noexcept { GifFreeMapObject(map); }
};
using MapPtr = std::unique_ptr<ColorMapObject, MapFreer>;

// Closing writes the trailer; a failure there is a failure of the file.
struct GifCloser {
    bool* failed;
    void operator()(GifFileType* gif) const noexcept
    {
        int error = 0;
        if (EGifCloseFile(gif, &error) == GIF_ERROR)
            *failed = true;
    }
};

int WriteBytes(GifFileType* gif, const GifByteType* bytes, int length)
{
    auto* file = static_cast<std::FILE*>(gif->UserData);
    return static_cast<int>(std::fwrite(bytes, 1, static_cast<std::size_t>(length), file));
}

MapPtr MakeMap(const std::vector<Colour>& palette)
{
    if (palette.empty())
        return nullptr;
    int size = 2;
    while (size < static_cast<int>(palette.size()))
        size *= 2;
    std::vector<GifColorType> colours(static_cast<std::size_t>(size), GifColorType{0, 0, 0});
    for (std::size_t i = 0; i < palette.size(); ++i)
        colours[i] = {palette[i].red, palette[i].green, palette[i].blue};
    return MapPtr(GifMakeMapObject(size, colours.data()));
}

bool PutControlBlock(GifFileType* gif, const Frame& frame)
{
    GraphicsControlBlock block{};
    block.DisposalMode = DISPOSAL_UNSPECIFIED;
    block.UserInputFlag = false;
    block.DelayTime = frame.delayCentiseconds;
    block.TransparentColor = frame.transparentIndex < 0 ? NO_TRANSPARENT_COLOR : frame.transparentIndex;
    GifByteType bytes[4];
    const auto length = EGifGCBToExtension(&block, bytes);
    return EGifPutExtension(gif, GRAPHICS_EXT_FUNC_CODE, static_cast<int>(length), bytes) != GIF_ERROR;
}

bool PutFrame(GifFileType* gif, const Frame& frame)
{
    if (frame.width <= 0 || frame.height <= 0 ||
        frame.pixels.size() != static_cast<std::size_t>(frame.width) * static_cast<std::size_t>(frame.height))
        return false;
    if (!PutControlBlock(gif, frame))
        return false;
    MapPtr local = MakeMap(frame.localPalette);
    if (EGifPutImageDesc(gif, frame.left, frame.top, frame.width, frame.height, frame.interlaced, local.get()) == GIF_ERROR)
        return false;
    std::vector<GifPixelType> row(static_cast<std::size_t>(frame.width));
    auto putRow = [&](int y) {
        const auto* first = frame.pixels.data() + static_cast<std::size_t>(y) * static_cast<std::size_t>(frame.width);
        row.assign(first, first + frame.width);
        return EGifPutLine(gif, row.data(), frame.width) != GIF_ERROR;
    };
    if (frame.interlaced) {
        constexpr int kStart[] = {0, 4, 2, 1};
        constexpr int kStep[] = {8, 8, 4, 2};
        for (int pass = 0; pass < 4; ++pass) {
            for (int y = kStart[pass]; y < frame.height; y += kStep[pass]) {
                if (!putRow(y))
                    return false;
            }
        }
        return true;
    }
    for (int y = 0; y < frame.height; ++y) {
        if (!putRow(y))
            return false;
    }
    return true;
}

bool PutImage(GifFileType* gif, const Image& image)
{
    EGifSetGifVersion(gif, true);
    MapPtr global = MakeMap(image.globalPalette);
    if (EGifPutScreenDesc(gif, image.screenWidth, image.screenHeight, 8, image.backgroundIndex, global.get()) == GIF_ERROR)
        return false;
    for (const Frame& frame : image.frames) {
        if (!PutFrame(gif, frame))
            return false;
    }
    return true;
}

}  // namespace

bool WriteGif(const std::filesystem::path& path, const Image& image)
{
    FilePtr file = OpenFile(path, "wb");
    if (!file)
        return false;
    bool failed = false;
    {
        int error = 0;
        std::unique_ptr<GifFileType, GifCloser> gif(EGifOpen(file.get(), WriteBytes, &error), GifCloser{&failed});
        if (!gif || !PutImage(gif.get(), image))
            failed = true;
    }
    return std::fclose(file.release()) == 0 && !failed;
}

Frame FullFrame(int width, int height, const std::vector<unsigned char>& pixels)
{
    Frame frame;
    frame.width = width;
    frame.height = height;
    frame.pixels = pixels;
    return frame;
}

Image QuadrantGif(Colour topLeft, Colour topRight, Colour bottomLeft, Colour bottomRight)
{
    std::vector<unsigned char> pixels(32 * 32);
    for (int y = 0; y < 32; ++y) {
        for (int x = 0; x < 32; ++x)
            pixels[static_cast<std::size_t>(y * 32 + x)] = static_cast<unsigned char>((y >= 16 ? 2 : 0) + (x >= 16 ? 1 : 0));
    }
    Image image;
    image.screenWidth = 32;
    image.screenHeight = 32;
    image.globalPalette = {topLeft, topRight, bottomLeft, bottomRight};
    image.frames.push_back(FullFrame(32, 32, pixels));
    return image;
}

Image TransparentGif(Colour opaque, Colour transparent)
{
    std::vector<unsigned char> pixels(32 * 32);
    for (int y = 0; y < 32; ++y) {
        for (int x = 0; x < 32; ++x)
            pixels[static_cast<std::size_t>(y * 32 + x)] = x >= 16 ? 1 : 0;
    }
    Image image;
    image.screenWidth = 32;
    image.screenHeight = 32;
    image.globalPalette = {opaque, transparent};
    image.frames.push_back(FullFrame(32, 32, pixels));
    image.frames.back().transparentIndex = 1;
    return image;
}

Image AnimatedGif(const std::vector<Colour>& frameColours)
{
    Image image;
    image.screenWidth = 32;
    image.screenHeight = 32;
    image.globalPalette = frameColours;
    for (std::size_t i = 0; i < frameColours.size(); ++i) {
        image.frames.push_back(FullFrame(32, 32, std::vector<unsigned char>(32 * 32, static_cast<unsigned char>(i))));
        image.frames.back().delayCentiseconds = 1;
    }
    return image;
}

Image InterlacedGreyRampGif(int width, int height)
{
    Image image;
    image.screenWidth = width;
    image.screenHeight = height;
    for (int level = 0; level < 64; ++level) {
        const auto grey = static_cast<unsigned char>(level * 4);
        image.globalPalette.push_back({grey, grey, grey});
    }
    std::vector<unsigned char> pixels(static_cast<std::size_t>(width) * static_cast<std::size_t>(height));
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x)
            pixels[static_cast<std::size_t>(y * width + x)] = static_cast<unsigned char>(y % 64);
    }
    image.frames.push_back(FullFrame(width, height, pixels));
    image.frames.back().interlaced = true;
    return image;
}

Image OffsetFrameGif(Colour background, Colour frame, bool localPalette)
{
    Image image;
    image.screenWidth = 32;
    image.screenHeight = 32;
    image.backgroundIndex = 0;
    Frame part;
    part.left = 16;
    part.top = 16;
    part.width = 16;
    part.height = 16;
    if (localPalette) {
        image.globalPalette = {background, Colour{0, 0, 0}};
        part.localPalette = {frame, Colour{0, 0, 0}};
        part.pixels.assign(16 * 16, 0);
    } else {
        image.globalPalette = {background, frame};
        part.pixels.assign(16 * 16, 1);
    }
    image.frames.push_back(part);
    return image;
}

}  // namespace testgif
