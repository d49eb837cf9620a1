// GIF pictures through giflib: the first frame, line by line, placed on the
// picture's screen; what the frame leaves uncovered is transparent.
#include "picture_decoders.h"

#include <algorithm>
#include <unistd.h>
#include <vector>

#include <gif_lib.h>

namespace {

struct GifCloser {
    void operator()(GifFileType* gif) const { DGifCloseFile(gif, nullptr); }
};
using GifPointer = std::unique_ptr<GifFileType, GifCloser>;

// The rows of an interlaced frame in the order they are stored.
std::vector<std::uint32_t> InterlacedOrder(std::uint32_t height)
{
    std::vector<std::uint32_t> order;
    order.reserve(height);
    constexpr std::uint32_t kStart[] = {0, 4, 2, 1}, kStep[] = {8, 8, 4, 2};
    for (int pass = 0; pass < 4; ++pass)
        for (std::uint32_t y = kStart[pass]; y < height; y += kStep[pass]) order.push_back(y);
    return order;
}

// Reads the records before the first frame; the frame's transparent colour
// index, or -1.
bool SkipToFirstFrame(GifFileType* gif, int& transparent)
{
    transparent = -1;
    for (;;) {
        GifRecordType type = UNDEFINED_RECORD_TYPE;
        if (DGifGetRecordType(gif, &type) != GIF_OK) return false;
        if (type == IMAGE_DESC_RECORD_TYPE) return DGifGetImageDesc(gif) == GIF_OK;
        if (type == TERMINATE_RECORD_TYPE) return false;
        if (type != EXTENSION_RECORD_TYPE) continue;
        int code = 0;
        GifByteType* block = nullptr;
        if (DGifGetExtension(gif, &code, &block) != GIF_OK) return false;
        if (code == GRAPHICS_EXT_FUNC_CODE && block && block[0] >= 4) {
            GraphicsControlBlock control{};
            if (DGifExtensionToGCB(block[0], block + 1, &control) == GIF_OK) transparent = control.TransparentColor;
        }
        while (block) {
            if (DGifGetExtensionNext(gif, &block) != GIF_OK) return false;
        }
    }
}

}  // namespace

bool DecodeGif(FILE* file, PictureSink& sink)
{
    const int fd = dup(fileno(file));
    if (fd < 0) return false;
    int error = 0;
    GifPointer gif(DGifOpenFileHandle(fd, &error));  // owns fd from here
    if (!gif) {
        close(fd);
        return false;
    }
    int transparent = -1;
    if (!SkipToFirstFrame(gif.get(), transparent)) return false;
    const GifImageDesc& frame = gif->Image;
    const ColorMapObject* colours = frame.ColorMap ? frame.ColorMap : gif->SColorMap;
    if (!colours || frame.Width <= 0 || frame.Height <= 0) return false;
    const std::uint32_t screenWidth = static_cast<std::uint32_t>(gif->SWidth);
    const std::uint32_t screenHeight = static_cast<std::uint32_t>(gif->SHeight);
    const std::uint32_t left = static_cast<std::uint32_t>(frame.Left), top = static_cast<std::uint32_t>(frame.Top);
    const std::uint32_t width = static_cast<std::uint32_t>(frame.Width);
    const std::uint32_t height = static_cast<std::uint32_t>(frame.Height);
    sink.Begin({screenWidth, screenHeight}, !frame.Interlace);

    const std::uint32_t shown = left < screenWidth ? std::min(width, screenWidth - left) : 0;
    std::vector<GifPixelType> line(width);
    std::vector<std::uint8_t> rgba(static_cast<std::size_t>(shown) * 4);
    const std::vector<std::uint32_t> order = frame.Interlace ? InterlacedOrder(height) : std::vector<std::uint32_t>();
    for (std::uint32_t i = 0; i < height; ++i) {
        if (DGifGetLine(gif.get(), line.data(), frame.Width) != GIF_OK) return false;
        const std::uint32_t y = top + (frame.Interlace ? order[i] : i);
        if (y >= screenHeight || shown == 0) continue;
        for (std::uint32_t x = 0; x < shown; ++x) {
            const int index = line[x];
            std::uint8_t* pixel = &rgba[static_cast<std::size_t>(x) * 4];
            if (index == transparent || index >= colours->ColorCount) {
                pixel[0] = pixel[1] = pixel[2] = pixel[3] = 0;
            } else {
                const GifColorType& colour = colours->Colors[index];
                pixel[0] = colour.Red;
                pixel[1] = colour.Green;
                pixel[2] = colour.Blue;
                pixel[3] = 255;
            }
        }
        if (!sink.Row(y, left, 1, rgba.data(), shown)) return false;
    }
    return true;
}
