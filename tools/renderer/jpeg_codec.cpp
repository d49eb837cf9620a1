// JPEG pictures through libjpeg-turbo. Its errors jump back to the setjmp of
// the call that met them; nothing between owns anything.
#include "picture_decoders.h"

#include "base/jpeg_errors.h"

#include <csetjmp>
#include <cstdio>
#include <vector>

#include <jpeglib.h>

namespace {


// Buffers and state that must survive a jump back.
struct JpegDecoding {
    jpeg_decompress_struct info{};
    JpegErrors error{};
    std::vector<std::uint8_t> row;
};

class JpegWriter : public PictureWriter {
public:
    JpegWriter(FilePtr file, PictureSize size) : m_file(std::move(file)), m_size(size)
    {
        m_info.err = SetUpJpegErrors(m_error);
        if (setjmp(m_error.jump)) {
            m_bFailed = true;
            return;
        }
        jpeg_create_compress(&m_info);
        m_bCreated = true;
        jpeg_stdio_dest(&m_info, m_file.get());
        m_info.image_width = size.width;
        m_info.image_height = size.height;
        m_info.input_components = 4;
        m_info.in_color_space = JCS_EXT_RGBX;
        jpeg_set_defaults(&m_info);
        jpeg_set_quality(&m_info, 90, TRUE);
        jpeg_start_compress(&m_info, TRUE);
    }
    ~JpegWriter() override
    {
        if (m_bCreated) jpeg_destroy_compress(&m_info);
    }

    bool Write(const std::uint8_t* rgba) override
    {
        if (m_bFailed) return false;
        if (setjmp(m_error.jump)) {
            m_bFailed = true;
            return false;
        }
        JSAMPROW row = const_cast<JSAMPROW>(rgba);
        jpeg_write_scanlines(&m_info, &row, 1);
        return true;
    }

    bool Finish() override
    {
        if (m_bFailed) return false;
        if (setjmp(m_error.jump)) {
            m_bFailed = true;
            return false;
        }
        jpeg_finish_compress(&m_info);
        return std::fflush(m_file.get()) == 0 && !std::ferror(m_file.get());
    }

private:
    FilePtr m_file;
    PictureSize m_size;
    jpeg_compress_struct m_info{};
    JpegErrors m_error{};
    bool m_bCreated = false;
    bool m_bFailed = false;
};

// Reads the JPEG's header (its size, and in `plainComponents` 1 or 3 for a
// grey or colour picture a PDF shows as it is, 0 for others), and with a
// sink its pixels too.
bool ReadJpeg(FILE* file, PictureSize* size, int* plainComponents, PictureSize atLeast, PictureSink* sink)
{
    JpegDecoding state;
    state.info.err = SetUpJpegErrors(state.error);
    if (setjmp(state.error.jump)) {
        jpeg_destroy_decompress(&state.info);
        return false;
    }
    jpeg_create_decompress(&state.info);
    if (!sink) {
        jpeg_stdio_src(&state.info, file);
        jpeg_read_header(&state.info, TRUE);
        *size = {state.info.image_width, state.info.image_height};
        if (plainComponents) {
            const J_COLOR_SPACE space = state.info.jpeg_color_space;
            *plainComponents = space == JCS_GRAYSCALE                       ? 1
                               : space == JCS_YCbCr || space == JCS_RGB ? 3
                                                                         : 0;
        }
        jpeg_destroy_decompress(&state.info);
        return true;
    }
    // A progressive JPEG is held whole while it is decoded: past this the
    // picture is left as it is.
    state.info.mem->max_memory_to_use = 512L * 1024 * 1024;
    jpeg_stdio_src(&state.info, file);
    jpeg_read_header(&state.info, TRUE);
    if (state.info.jpeg_color_space == JCS_CMYK || state.info.jpeg_color_space == JCS_YCCK) {
        jpeg_destroy_decompress(&state.info);
        return false;
    }
    state.info.out_color_space = JCS_EXT_RGBA;
    // The decoder reduces by 1/2, 1/4 or 1/8 almost for free.
    unsigned denominator = 8;
    while (denominator > 1 && ((state.info.image_width + denominator - 1) / denominator < atLeast.width ||
                               (state.info.image_height + denominator - 1) / denominator < atLeast.height))
        denominator /= 2;
    state.info.scale_num = 1;
    state.info.scale_denom = denominator;
    jpeg_start_decompress(&state.info);
    sink->Begin({state.info.output_width, state.info.output_height}, true);
    state.row.resize(static_cast<std::size_t>(state.info.output_width) * 4);
    bool going = true;
    while (going && state.info.output_scanline < state.info.output_height) {
        const std::uint32_t y = state.info.output_scanline;
        JSAMPROW row = state.row.data();
        if (jpeg_read_scanlines(&state.info, &row, 1) != 1) break;
        going = sink->Row(y, 0, 1, state.row.data(), state.info.output_width);
    }
    if (going) jpeg_finish_decompress(&state.info);
    jpeg_destroy_decompress(&state.info);
    return going;
}

}  // namespace

bool ReadJpegSize(FILE* file, PictureSize& size) { return ReadJpeg(file, &size, nullptr, {}, nullptr); }

int JpegPlainComponents(const std::filesystem::path& file)
{
    const FilePtr in = OpenPicture(file);
    PictureSize size;
    int components = 0;
    return in && ReadJpeg(in.get(), &size, &components, {}, nullptr) ? components : 0;
}

bool DecodeJpeg(FILE* file, PictureSize atLeast, PictureSink& sink)
{
    return ReadJpeg(file, nullptr, nullptr, atLeast, &sink);
}

std::unique_ptr<PictureWriter> CreateJpegWriter(const std::filesystem::path& file, PictureSize size)
{
    FilePtr out = CreateNewFile(file);
    if (!out) return nullptr;
    return std::make_unique<JpegWriter>(std::move(out), size);
}
