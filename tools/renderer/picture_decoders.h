// The decoders of each picture format, behind DecodePicture.
#pragma once

#include "picture_codec.h"

#include "base/file_ptr.h"

#include <cstdio>
#include <filesystem>
#include <memory>

// Opens a regular file for reading, never blocking on anything else.
FilePtr OpenPicture(const std::filesystem::path& file);

bool ReadJpegSize(FILE* file, PictureSize& size);
bool DecodeJpeg(FILE* file, PictureSize atLeast, PictureSink& sink);
bool DecodePng(FILE* file, PictureSink& sink);
bool DecodeGif(FILE* file, PictureSink& sink);
