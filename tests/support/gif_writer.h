// Test GIF files written with giflib: a general writer and makers of the
// kinds of files the image conversion has to handle.
#pragma once

#include <filesystem>
#include <vector>

namespace testgif {

struct Colour {
    unsigned char red = 0;
    unsigned char green = 0;
    unsigned char blue = 0;
};

struct Frame {
    int left = 0;
    int top = 0;
    int width = 0;
    int height = 0;
    std::vector<unsigned char> pixels;  // width * height palette indices, top row first
    std::vector<Colour> localPalette;   // empty: the frame uses the global palette
    bool interlaced = false;            // rows are then stored in the four GIF passes
    int transparentIndex = -1;          // -1: no transparent colour
    int delayCentiseconds = 0;
};

struct Image {
    int screenWidth = 0;
    int screenHeight = 0;
    std::vector<Colour> globalPalette;  // empty: the file has no global colour map
    int backgroundIndex = 0;
    std::vector<Frame> frames;
};

// Palettes are padded with black to the next power of two (at least 2).
bool WriteGif(const std::filesystem::path& path, const Image& image);

// One frame filling the screen, with one palette index per pixel.
Frame FullFrame(int width, int height, const std::vector<unsigned char>& pixels);

// 32 x 32, four 16 x 16 quadrants: top left, top right, bottom left, bottom
// right in the given colours (palette indices 0 to 3).
Image QuadrantGif(Colour topLeft, Colour topRight, Colour bottomLeft, Colour bottomRight);

// 32 x 32, left half `opaque` (index 0), right half `transparent` (index 1),
// which the graphics control block marks as the transparent index.
Image TransparentGif(Colour opaque, Colour transparent);

// 32 x 32, one full-screen frame of one colour per entry, 10 ms apart.
Image AnimatedGif(const std::vector<Colour>& frameColours);

// width x height, interlaced, row y in the grey level y * 4 (so up to 64 rows).
Image InterlacedGreyRampGif(int width, int height);

// 32 x 32 screen whose background is `background` (global index 0) and one
// 16 x 16 frame at (16, 16) in `frame`. With `localPalette` the frame's
// colour comes from a local colour map in which index 0 is `frame`, while
// global index 0 stays the background.
Image OffsetFrameGif(Colour background, Colour frame, bool localPalette);

}  // namespace testgif
