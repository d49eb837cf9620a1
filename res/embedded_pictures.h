// The picture files compiled into the program (generated from res/png,
// res/bmp and res/icon at build time).
#pragma once

#include <span>
#include <string_view>

// Bytes of the file at `path` relative to res/ ("png/143.png"), or an empty
// span when no such file was embedded.
std::span<const unsigned char> FindEmbeddedPicture(std::string_view path);
