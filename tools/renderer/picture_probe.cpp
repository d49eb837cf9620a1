// The picture formats of a page, told apart by their first bytes.
#include "picture_codec.h"

#include "picture_decoders.h"

#include <cstdio>
#include <cstring>

namespace fs = std::filesystem;

namespace {

std::uint32_t BigEndian32(const unsigned char* bytes)
{
    return (std::uint32_t{bytes[0]} << 24) | (std::uint32_t{bytes[1]} << 16) | (std::uint32_t{bytes[2]} << 8) |
           bytes[3];
}

}  // namespace

std::optional<PictureInfo> ProbePicture(const fs::path& file)
{
    const FilePtr in = OpenPicture(file);
    if (!in) return std::nullopt;
    unsigned char head[24] = {};
    const std::size_t got = std::fread(head, 1, sizeof head, in.get());
    PictureInfo info;
    if (got >= 24 && std::memcmp(head, "\x89PNG\r\n\x1a\n", 8) == 0 && std::memcmp(head + 12, "IHDR", 4) == 0) {
        info.format = PictureFormat::Png;
        info.size = {BigEndian32(head + 16), BigEndian32(head + 20)};
    } else if (got >= 10 && (std::memcmp(head, "GIF87a", 6) == 0 || std::memcmp(head, "GIF89a", 6) == 0)) {
        info.format = PictureFormat::Gif;
        info.size = {std::uint32_t{head[6]} | (std::uint32_t{head[7]} << 8),
                     std::uint32_t{head[8]} | (std::uint32_t{head[9]} << 8)};
    } else if (got >= 3 && head[0] == 0xFF && head[1] == 0xD8 && head[2] == 0xFF) {
        info.format = PictureFormat::Jpeg;
        std::rewind(in.get());
        if (!ReadJpegSize(in.get(), info.size)) return std::nullopt;
    } else {
        return std::nullopt;
    }
    if (info.size.width == 0 || info.size.height == 0) return std::nullopt;
    return info;
}

bool DecodePicture(const fs::path& file, const PictureInfo& info, PictureSize atLeast, PictureSink& sink)
{
    const FilePtr in = OpenPicture(file);
    if (!in) return false;
    switch (info.format) {
    case PictureFormat::Jpeg:
        return DecodeJpeg(in.get(), atLeast, sink);
    case PictureFormat::Png:
        return DecodePng(in.get(), sink);
    case PictureFormat::Gif:
        return DecodeGif(in.get(), sink);
    }
    return false;
}

FilePtr OpenPicture(const fs::path& file) { return OpenRegularFile(file); }

