// A minimal GIF89a encoder for small generated pictures.
#pragma once

#include <array>
#include <cstdint>
#include <vector>

using GifColor = std::array<std::uint8_t, 3>;  // red, green, blue

// Encodes one frame of `width` x `height` palette indexes (row by row) with
// the given palette (1..256 colours). Every index must be below the palette
// size. Empty result when the arguments do not fit.
std::vector<unsigned char> EncodeGif(int width, int height, const std::vector<GifColor>& palette,
                                     const std::vector<std::uint8_t>& pixels);
