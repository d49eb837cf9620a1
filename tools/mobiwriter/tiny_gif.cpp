// GIF encoding without a string table: every pixel is sent as its own LZW
// code, and a clear code follows before the decoder's table would grow
// enough to widen the codes. The output is larger than real LZW would give,
// which does not matter for the few small pictures made here, and any GIF
// decoder reads it.
#include "tiny_gif.h"

#include <cstddef>

namespace {

void PutLe16(std::vector<unsigned char>& out, int v)
{
    out.push_back(static_cast<unsigned char>(v & 0xFF));
    out.push_back(static_cast<unsigned char>((v >> 8) & 0xFF));
}

// Packs codes least significant bit first.
class BitPacker {
public:
    void Put(unsigned code, int width)
    {
        bits_ |= code << count_;
        count_ += width;
        while (count_ >= 8) {
            bytes_.push_back(static_cast<unsigned char>(bits_ & 0xFF));
            bits_ >>= 8;
            count_ -= 8;
        }
    }
    std::vector<unsigned char> Finish()
    {
        if (count_ > 0) bytes_.push_back(static_cast<unsigned char>(bits_ & 0xFF));
        bits_ = 0;
        count_ = 0;
        return std::move(bytes_);
    }

private:
    std::vector<unsigned char> bytes_;
    unsigned bits_ = 0;
    int count_ = 0;
};

}  // namespace

std::vector<unsigned char> EncodeGif(int width, int height, const std::vector<GifColor>& palette,
                                     const std::vector<std::uint8_t>& pixels)
{
    if (width < 1 || height < 1 || width > 0xFFFF || height > 0xFFFF || palette.empty() || palette.size() > 256 ||
        pixels.size() != static_cast<std::size_t>(width) * static_cast<std::size_t>(height))
        return {};
    for (std::uint8_t index : pixels)
        if (index >= palette.size()) return {};

    int tableBits = 1;  // the colour table holds 2^tableBits entries
    while ((std::size_t{1} << tableBits) < palette.size()) ++tableBits;
    const int minCodeSize = tableBits < 2 ? 2 : tableBits;
    const unsigned clearCode = 1u << minCodeSize;
    const unsigned endCode = clearCode + 1;
    const int codeWidth = minCodeSize + 1;
    // After a clear code the decoder adds one table entry per code except
    // the first; clearing again after this many codes keeps the width fixed.
    const std::size_t codesPerClear = clearCode - 2;

    std::vector<unsigned char> gif = {'G', 'I', 'F', '8', '9', 'a'};
    PutLe16(gif, width);
    PutLe16(gif, height);
    gif.push_back(static_cast<unsigned char>(0x80 | 0x70 | (tableBits - 1)));  // global table, 8-bit colour
    gif.push_back(0);  // background colour index
    gif.push_back(0);  // pixel aspect ratio: not given
    for (std::size_t i = 0; i < (std::size_t{1} << tableBits); ++i) {
        const GifColor color = i < palette.size() ? palette[i] : GifColor{0, 0, 0};
        gif.insert(gif.end(), color.begin(), color.end());
    }

    gif.push_back(0x2C);  // image descriptor
    PutLe16(gif, 0);
    PutLe16(gif, 0);
    PutLe16(gif, width);
    PutLe16(gif, height);
    gif.push_back(0);  // no local table, not interlaced
    gif.push_back(static_cast<unsigned char>(minCodeSize));

    BitPacker packer;
    packer.Put(clearCode, codeWidth);
    std::size_t sinceClear = 0;
    for (std::uint8_t index : pixels) {
        if (sinceClear == codesPerClear) {
            packer.Put(clearCode, codeWidth);
            sinceClear = 0;
        }
        packer.Put(index, codeWidth);
        ++sinceClear;
    }
    packer.Put(endCode, codeWidth);
    const std::vector<unsigned char> data = packer.Finish();

    for (std::size_t at = 0; at < data.size(); at += 255) {  // sub-blocks of up to 255 bytes
        const std::size_t length = data.size() - at < 255 ? data.size() - at : 255;
        gif.push_back(static_cast<unsigned char>(length));
        gif.insert(gif.end(), data.begin() + static_cast<std::ptrdiff_t>(at),
                   data.begin() + static_cast<std::ptrdiff_t>(at + length));
    }
    gif.push_back(0);     // end of the image data
    gif.push_back(0x3B);  // trailer
    return gif;
}
