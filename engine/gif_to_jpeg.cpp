#include "gif_to_jpeg.h"
#include "base/jpeg_errors.h"

#include "base/staged_file.h"

#include <array>
#include <csetjmp>
#include <cstdint>
#include <cstdio>
#include <optional>
#include <system_error>
#include <vector>

#include <gif_lib.h>
#include <jpeglib.h>

namespace fs = std::filesystem;

namespace {

// Larger pictures are refused, so that a hostile file cannot make us claim
// gigabytes of memory.
constexpr std::uint64_t kMaxPixels = 100'000'000;

// Rows between two looks at the stop request.
constexpr int kRowsBetweenStopChecks = 64;

using StopCheck = std::function<bool()>;

bool StopAt(int row, const StopCheck& stopRequested)
{
    return row % kRowsBetweenStopChecks == 0 && stopRequested && stopRequested();
}

struct Rgb {
    unsigned char red = 0;
    unsigned char green = 0;
    unsigned char blue = 0;
};

constexpr Rgb kWhite{255, 255, 255};
constexpr Rgb kBlack{0, 0, 0};

// The first frame of a GIF with what is needed to draw it on its screen.
struct FirstFrame {
    int screenWidth = 0;
    int screenHeight = 0;
    Rgb background = kWhite;
    int left = 0;
    int top = 0;
    int width = 0;
    int height = 0;
    std::array<Rgb, 256> palette{};
    int paletteSize = 0;
    std::vector<GifPixelType> pixels;  // width * height indices, top row first
};

bool TooLarge(int width, int height)
{
    return static_cast<std::uint64_t>(width) * static_cast<std::uint64_t>(height) > kMaxPixels;
}

struct GifCloser {
    void operator()(GifFileType* gif) const noexcept
    {
        int error = 0;
        DGifCloseFile(gif, &error);
    }
};
using GifPtr = std::unique_ptr<GifFileType, GifCloser>;

int ReadGifBytes(GifFileType* gif, GifByteType* buffer, int length)
{
    if (length <= 0)
        return 0;
    auto* file = static_cast<std::FILE*>(gif->UserData);
    return static_cast<int>(std::fread(buffer, 1, static_cast<std::size_t>(length), file));
}

void CopyPalette(const ColorMapObject& map, FirstFrame& frame)
{
    const int count = map.ColorCount < 0 ? 0 : (map.ColorCount > 256 ? 256 : map.ColorCount);
    for (int i = 0; i < count; ++i)
        frame.palette[static_cast<std::size_t>(i)] = {map.Colors[i].Red, map.Colors[i].Green, map.Colors[i].Blue};
    frame.paletteSize = count;
}

bool SkipExtension(GifFileType* gif)
{
    int code = 0;
    GifByteType* block = nullptr;
    if (DGifGetExtension(gif, &code, &block) == GIF_ERROR)
        return false;
    while (block != nullptr) {
        if (DGifGetExtensionNext(gif, &block) == GIF_ERROR)
            return false;
    }
    return true;
}

// Reads the image data of the current image descriptor. An interlaced image
// comes in four passes (every 8th row from 0, every 8th from 4, every 4th from
// 2, every 2nd from 1); its rows are put back in their places.
bool ReadPixels(GifFileType* gif, FirstFrame& frame, const StopCheck& stopRequested)
{
    const auto width = static_cast<std::size_t>(frame.width);
    frame.pixels.assign(width * static_cast<std::size_t>(frame.height), 0);
    auto readRow = [&](int row) {
        return DGifGetLine(gif, frame.pixels.data() + width * static_cast<std::size_t>(row), frame.width) != GIF_ERROR;
    };
    if (gif->Image.Interlace) {
        constexpr int kStart[] = {0, 4, 2, 1};
        constexpr int kStep[] = {8, 8, 4, 2};
        for (int pass = 0; pass < 4; ++pass) {
            for (int row = kStart[pass]; row < frame.height; row += kStep[pass]) {
                if (StopAt(row - kStart[pass], stopRequested) || !readRow(row))
                    return false;
            }
        }
        return true;
    }
    for (int row = 0; row < frame.height; ++row) {
        if (StopAt(row, stopRequested) || !readRow(row))
            return false;
    }
    return true;
}

std::optional<FirstFrame> ReadFirstFrame(const fs::path& path, const StopCheck& stopRequested)
{
    FilePtr file = OpenFile(path, "rb");
    if (!file)
        return std::nullopt;
    int error = 0;
    GifPtr gif(DGifOpen(file.get(), ReadGifBytes, &error));
    if (!gif)
        return std::nullopt;

    FirstFrame frame;
    frame.screenWidth = gif->SWidth;
    frame.screenHeight = gif->SHeight;
    if (gif->SColorMap != nullptr) {
        CopyPalette(*gif->SColorMap, frame);
        const int index = gif->SBackGroundColor;
        frame.background = index >= 0 && index < frame.paletteSize ? frame.palette[static_cast<std::size_t>(index)] : kWhite;
    }

    for (;;) {
        GifRecordType type = UNDEFINED_RECORD_TYPE;
        if (DGifGetRecordType(gif.get(), &type) == GIF_ERROR)
            return std::nullopt;
        if (type == EXTENSION_RECORD_TYPE) {
            if (!SkipExtension(gif.get()))
                return std::nullopt;
            continue;
        }
        if (type != IMAGE_DESC_RECORD_TYPE)
            return std::nullopt;  // the end of the file, or garbage, before any image
        if (DGifGetImageDesc(gif.get()) == GIF_ERROR)
            return std::nullopt;
        break;
    }

    const GifImageDesc& desc = gif->Image;
    frame.left = desc.Left;
    frame.top = desc.Top;
    frame.width = desc.Width;
    frame.height = desc.Height;
    if (frame.width <= 0 || frame.height <= 0 || frame.left < 0 || frame.top < 0 ||
        TooLarge(frame.width, frame.height))
        return std::nullopt;
    // A file without a screen size is shown at the size its frame reaches.
    if (frame.screenWidth <= 0 || frame.screenHeight <= 0) {
        frame.screenWidth = frame.left + frame.width;
        frame.screenHeight = frame.top + frame.height;
    }
    if (TooLarge(frame.screenWidth, frame.screenHeight))
        return std::nullopt;
    if (desc.ColorMap != nullptr)
        CopyPalette(*desc.ColorMap, frame);
    if (frame.paletteSize == 0)
        return std::nullopt;  // no colours to draw with
    if (!ReadPixels(gif.get(), frame, stopRequested))
        return std::nullopt;
    return frame;
}

// One screen row: background, with the frame's part of the row drawn over it.
// Indices outside the palette are drawn black.
void FillRow(const FirstFrame& frame, int y, JSAMPLE* out)
{
    auto put = [out](int x, Rgb colour) {
        JSAMPLE* pixel = out + 3 * static_cast<std::size_t>(x);
        pixel[0] = colour.red;
        pixel[1] = colour.green;
        pixel[2] = colour.blue;
    };
    for (int x = 0; x < frame.screenWidth; ++x)
        put(x, frame.background);
    if (y < frame.top || y - frame.top >= frame.height)
        return;
    const GifPixelType* row = frame.pixels.data() + static_cast<std::size_t>(y - frame.top) * static_cast<std::size_t>(frame.width);
    const int end = frame.left + frame.width < frame.screenWidth ? frame.left + frame.width : frame.screenWidth;
    for (int x = frame.left; x < end; ++x) {
        const int index = row[x - frame.left];
        put(x, index < frame.paletteSize ? frame.palette[static_cast<std::size_t>(index)] : kBlack);
    }
}

// Everything Compress touches lives here, outside its frame, so that a jump
// back to its setjmp skips no destructor and loses no state.
struct JpegJob {
    jpeg_compress_struct info{};
    JpegErrors errors{};
    std::FILE* out = nullptr;
    const FirstFrame* frame = nullptr;
    JSAMPLE* row = nullptr;
    const StopCheck* stopRequested = nullptr;
};

struct JpegDestroyer {
    void operator()(JpegJob* job) const noexcept { jpeg_destroy_compress(&job->info); }
};

bool Compress(JpegJob& job)
{
    if (setjmp(job.errors.jump) != 0)
        return false;
    jpeg_create_compress(&job.info);
    jpeg_stdio_dest(&job.info, job.out);
    job.info.image_width = static_cast<JDIMENSION>(job.frame->screenWidth);
    job.info.image_height = static_cast<JDIMENSION>(job.frame->screenHeight);
    job.info.input_components = 3;
    job.info.in_color_space = JCS_RGB;
    jpeg_set_defaults(&job.info);
    jpeg_start_compress(&job.info, TRUE);
    while (job.info.next_scanline < job.info.image_height) {
        if (StopAt(static_cast<int>(job.info.next_scanline), *job.stopRequested))
            return false;  // the destroyer abandons the half-made picture
        FillRow(*job.frame, static_cast<int>(job.info.next_scanline), job.row);
        JSAMPROW rows[1] = {job.row};
        jpeg_write_scanlines(&job.info, rows, 1);
    }
    jpeg_finish_compress(&job.info);
    return true;
}

bool WriteJpeg(const FirstFrame& frame, std::FILE* out, const StopCheck& stopRequested)
{
    std::vector<JSAMPLE> row(3 * static_cast<std::size_t>(frame.screenWidth));
    JpegJob job;
    job.info.err = SetUpJpegErrors(job.errors);
    job.out = out;
    job.frame = &frame;
    job.row = row.data();
    job.stopRequested = &stopRequested;
    std::unique_ptr<JpegJob, JpegDestroyer> destroy(&job);
    return Compress(job);
}

bool SameFile(const fs::path& a, const fs::path& b)
{
    std::error_code ec;
    return fs::equivalent(a, b, ec) && !ec;
}

}  // namespace

bool ConvertGifToJpeg(const fs::path& gif, const fs::path& jpeg, const StopCheck& stopRequested)
{
    bool converted = false;
    if (const auto frame = ReadFirstFrame(gif, stopRequested)) {
        StagedFile staged(jpeg);
        if (std::FILE* out = staged.Open())
            converted = WriteJpeg(*frame, out, stopRequested) && staged.Commit();
    }
    // No stale or half-made picture may stay under the target's name, yet the
    // source itself is never removed.
    if (!converted && !SameFile(gif, jpeg))
        RemoveFileIfPresent(jpeg);
    return converted;
}
