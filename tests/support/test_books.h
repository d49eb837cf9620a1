// Books for tests, made with the project's MOBI writer.
#pragma once

#include "mobi_writer.h"

#include <filesystem>
#include <string>
#include <vector>

using ImageRecords = std::vector<std::vector<unsigned char>>;

// Heading of chapter `number` (1-based) in MakeChapterBook, as it appears in
// the markup and in anything rendered from it.
std::string ChapterHeading(int number);

// A book titled "Chapter Book" by "Corvale Tests" with `chapters` chapters
// (at least one): each an <h2> heading from ChapterHeading, two paragraphs
// with non-ASCII words, and a page break before every chapter but the first.
// Image k (0-based) is referred to as <img recindex="..."> at the end of
// chapter k % chapters + 1.
MobiBook MakeChapterBook(int chapters, const ImageRecords& images = {});

// MakeChapterBook written to `file`; false on failure.
bool WriteChapterBook(const std::filesystem::path& file, int chapters, const ImageRecords& images = {});

// The project's sample book (the one make-sample-book writes); false on failure.
bool WriteSampleBook(const std::filesystem::path& file);

// A small valid GIF (a two-colour checkerboard) made without any GIF library.
std::vector<unsigned char> MakeCheckerGif(int width, int height);
