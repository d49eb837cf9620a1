// GIF to JPEG conversion of one image file.
#pragma once

#include <filesystem>
#include <functional>

// Decodes the first frame of `gif`, drawn on the GIF's logical screen (the
// part outside the frame in the background colour, or white when the file
// has no global colour map), and writes it to `jpeg` as an RGB JPEG at the
// encoder's default quality, replacing an existing file. Palette colours are
// taken as they are: a transparent index keeps its palette colour.
// False when the GIF cannot be read or decoded, is larger than 100 million
// pixels, or the JPEG cannot be written; no file is then left at `jpeg`.
// `stopRequested` is asked every few rows; when it says yes the conversion
// ends at once and fails.
bool ConvertGifToJpeg(const std::filesystem::path& gif, const std::filesystem::path& jpeg,
                      const std::function<bool()>& stopRequested = {});
