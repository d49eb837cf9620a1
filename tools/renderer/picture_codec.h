// Reading and writing the picture files of a page, row by row, so that a
// picture of any size is reduced in little memory.
#pragma once

#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>

enum class PictureFormat { Jpeg, Png, Gif };

struct PictureSize {
    std::uint32_t width = 0;
    std::uint32_t height = 0;
};

struct PictureInfo {
    PictureFormat format = PictureFormat::Png;
    PictureSize size;
};

// Takes decoded pixels. A decoder may deliver a row in parts (the passes of
// an interlaced PNG): `count` pixels of row `y`, at columns x0, x0 + step,
// ... as RGBA bytes.
class PictureSink {
public:
    virtual ~PictureSink() = default;
    // Before the first row: the size the rows come in, whether they come top
    // to bottom, whether any pixel may be transparent.
    virtual void Begin(PictureSize size, bool topToBottom) = 0;
    // False to give up (a stop was requested).
    virtual bool Row(std::uint32_t y, std::uint32_t x0, std::uint32_t step, const std::uint8_t* rgba,
                     std::uint32_t count) = 0;
};

// The format and size of a picture file from its first bytes; nullopt for
// anything else. GIF: the size of its screen; JPEG: of its frame.
std::optional<PictureInfo> ProbePicture(const std::filesystem::path& file);

// For a JPEG file that a PDF can hold as it is: 1 for a grey picture, 3 for
// a colour one (YCbCr or RGB); 0 for other JPEGs (CMYK) and other files.
int JpegPlainComponents(const std::filesystem::path& file);

// Decodes the picture (a GIF's first frame) into `sink`. A JPEG is decoded
// reduced by up to eight where it then still is `atLeast` large. False when
// the file cannot be decoded or the sink gave up.
bool DecodePicture(const std::filesystem::path& file, const PictureInfo& info, PictureSize atLeast,
                   PictureSink& sink);

// Writes rows of a new picture file, top to bottom.
class PictureWriter {
public:
    virtual ~PictureWriter() = default;
    // One row of RGBA pixels of the picture's width; false on failure.
    virtual bool Write(const std::uint8_t* rgba) = 0;
    // Completes the file; false on failure.
    virtual bool Finish() = 0;
};

// A JPEG (opaque, the alpha channel ignored) or PNG writer for a new file;
// nullptr when the file cannot be made.
std::unique_ptr<PictureWriter> CreateJpegWriter(const std::filesystem::path& file, PictureSize size);
std::unique_ptr<PictureWriter> CreatePngWriter(const std::filesystem::path& file, PictureSize size);
