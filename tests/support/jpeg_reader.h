// Reading a JPEG file back into RGB pixels, to check what a test wrote.
#pragma once

#include <filesystem>
#include <optional>
#include <vector>

namespace testjpeg {

struct Rgb {
    int red = 0;
    int green = 0;
    int blue = 0;
};

struct Picture {
    int width = 0;
    int height = 0;
    int components = 0;  // as stored in the file: 3 for colour, 1 for grey
    std::vector<unsigned char> pixels;  // RGB, top row first

    Rgb At(int x, int y) const;
};

// nullopt when the file is missing or is not a complete, valid JPEG.
std::optional<Picture> ReadJpeg(const std::filesystem::path& path);

// Whether every channel differs by at most `tolerance`.
bool Near(Rgb actual, Rgb expected, int tolerance);

}  // namespace testjpeg
