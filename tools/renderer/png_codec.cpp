// PNG pictures through libpng. Its errors jump back to the setjmp of the
// call that met them; nothing between owns anything.
#include "picture_decoders.h"

#include <csetjmp>
#include <vector>

#include <png.h>

namespace {

void IgnorePngWarning(png_structp, png_const_charp) {}

struct PngDecoding {
    png_structp png = nullptr;
    png_infop info = nullptr;
    std::vector<std::uint8_t> row;
    ~PngDecoding() { png_destroy_read_struct(&png, info ? &info : nullptr, nullptr); }
};

class PngWriter : public PictureWriter {
public:
    PngWriter(FilePtr file, PictureSize size) : m_file(std::move(file))
    {
        m_png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, IgnorePngWarning);
        if (m_png) m_info = png_create_info_struct(m_png);
        if (!m_png || !m_info) {
            m_bFailed = true;
            return;
        }
        if (setjmp(png_jmpbuf(m_png))) {
            m_bFailed = true;
            return;
        }
        png_init_io(m_png, m_file.get());
        // Written once and read once: speed matters more than size.
        png_set_compression_level(m_png, 3);
        png_set_IHDR(m_png, m_info, size.width, size.height, 8, PNG_COLOR_TYPE_RGBA, PNG_INTERLACE_NONE,
                     PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
        png_write_info(m_png, m_info);
    }
    ~PngWriter() override { png_destroy_write_struct(&m_png, m_info ? &m_info : nullptr); }

    bool Write(const std::uint8_t* rgba) override
    {
        if (m_bFailed) return false;
        if (setjmp(png_jmpbuf(m_png))) {
            m_bFailed = true;
            return false;
        }
        png_write_row(m_png, rgba);
        return true;
    }

    bool Finish() override
    {
        if (m_bFailed) return false;
        if (setjmp(png_jmpbuf(m_png))) {
            m_bFailed = true;
            return false;
        }
        png_write_end(m_png, nullptr);
        return std::fflush(m_file.get()) == 0 && !std::ferror(m_file.get());
    }

private:
    FilePtr m_file;
    png_structp m_png = nullptr;
    png_infop m_info = nullptr;
    bool m_bFailed = false;
};

}  // namespace

bool DecodePng(FILE* file, PictureSink& sink)
{
    PngDecoding state;
    state.png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, IgnorePngWarning);
    if (!state.png) return false;
    state.info = png_create_info_struct(state.png);
    if (!state.info) return false;
    if (setjmp(png_jmpbuf(state.png))) return false;
    png_init_io(state.png, file);
    png_set_user_limits(state.png, 0x7fffffff, 0x7fffffff);
    png_read_info(state.png, state.info);
    const png_uint_32 width = png_get_image_width(state.png, state.info);
    const png_uint_32 height = png_get_image_height(state.png, state.info);
    const bool interlaced = png_get_interlace_type(state.png, state.info) != PNG_INTERLACE_NONE;
    // Every kind of PNG as 8-bit RGBA.
    png_set_expand(state.png);
    png_set_strip_16(state.png);
    png_set_gray_to_rgb(state.png);
    png_set_add_alpha(state.png, 0xff, PNG_FILLER_AFTER);
    png_read_update_info(state.png, state.info);
    state.row.resize(static_cast<std::size_t>(width) * 4);
    sink.Begin({width, height}, !interlaced);
    // An interlaced picture comes in seven passes over parts of its rows and
    // columns, each pixel once; they are handed on as they come.
    const int passes = interlaced ? 7 : 1;
    for (int pass = 0; pass < passes; ++pass) {
        const png_uint_32 rows = interlaced ? PNG_PASS_ROWS(height, pass) : height;
        const png_uint_32 columns = interlaced ? PNG_PASS_COLS(width, pass) : width;
        if (rows == 0 || columns == 0) continue;
        for (png_uint_32 r = 0; r < rows; ++r) {
            png_read_row(state.png, state.row.data(), nullptr);
            const png_uint_32 y = interlaced ? PNG_ROW_FROM_PASS_ROW(r, pass) : r;
            const png_uint_32 x0 = interlaced ? PNG_COL_FROM_PASS_COL(0, pass) : 0;
            const png_uint_32 step = interlaced ? (1u << PNG_PASS_COL_SHIFT(pass)) : 1;
            if (!sink.Row(y, x0, step, state.row.data(), columns)) return false;
        }
    }
    return true;
}

std::unique_ptr<PictureWriter> CreatePngWriter(const std::filesystem::path& file, PictureSize size)
{
    FilePtr out = CreateNewFile(file);
    if (!out) return nullptr;
    return std::make_unique<PngWriter>(std::move(out), size);
}
