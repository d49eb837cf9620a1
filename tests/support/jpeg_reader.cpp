#include "jpeg_reader.h"

#include <csetjmp>
#include "base/file_ptr.h"

#include <cstdio>
#include <cstdlib>
#include <memory>

#include <jpeglib.h>

namespace testjpeg {
namespace {

struct Errors {
    jpeg_error_mgr manager;
    std::jmp_buf jump;
    int warnings;
};

[[noreturn]] void OnError(j_common_ptr info)
{
    std::longjmp(reinterpret_cast<Errors*>(info->err)->jump, 1);
}

// A corrupt-data warning (a truncated file is filled up with grey) counts
// as a failure here.
void OnMessage(j_common_ptr info, int level)
{
    if (level < 0)
        ++reinterpret_cast<Errors*>(info->err)->warnings;
}

struct Job {
    jpeg_decompress_struct info{};
    Errors errors{};
    std::FILE* in = nullptr;
    Picture* picture = nullptr;
};

bool Decompress(Job& job)
{
    if (setjmp(job.errors.jump) != 0)
        return false;
    jpeg_create_decompress(&job.info);
    jpeg_stdio_src(&job.info, job.in);
    jpeg_read_header(&job.info, TRUE);
    job.picture->components = job.info.num_components;
    job.info.out_color_space = JCS_RGB;
    jpeg_start_decompress(&job.info);
    job.picture->width = static_cast<int>(job.info.output_width);
    job.picture->height = static_cast<int>(job.info.output_height);
    job.picture->pixels.resize(3 * static_cast<std::size_t>(job.info.output_width) * job.info.output_height);
    while (job.info.output_scanline < job.info.output_height) {
        JSAMPROW row = job.picture->pixels.data() + 3 * static_cast<std::size_t>(job.info.output_width) * job.info.output_scanline;
        jpeg_read_scanlines(&job.info, &row, 1);
    }
    jpeg_finish_decompress(&job.info);
    return job.errors.warnings == 0;
}

}  // namespace

Rgb Picture::At(int x, int y) const
{
    const auto* p = pixels.data() + 3 * (static_cast<std::size_t>(y) * static_cast<std::size_t>(width) + static_cast<std::size_t>(x));
    return {p[0], p[1], p[2]};
}

std::optional<Picture> ReadJpeg(const std::filesystem::path& path)
{
    FilePtr file = OpenFile(path, "rb");
    if (!file)
        return std::nullopt;
    Picture picture;
    Job job;
    job.info.err = jpeg_std_error(&job.errors.manager);
    job.errors.manager.error_exit = OnError;
    job.errors.manager.emit_message = OnMessage;
    job.in = file.get();
    job.picture = &picture;
    const bool ok = Decompress(job);
    jpeg_destroy_decompress(&job.info);
    if (!ok)
        return std::nullopt;
    return picture;
}

bool Near(Rgb actual, Rgb expected, int tolerance)
{
    return std::abs(actual.red - expected.red) <= tolerance && std::abs(actual.green - expected.green) <= tolerance &&
           std::abs(actual.blue - expected.blue) <= tolerance;
}

}  // namespace testjpeg
