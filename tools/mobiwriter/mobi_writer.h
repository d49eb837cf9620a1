// Writes a Mobipocket 6 (KF7) or KF8 e-book from markup and images. Used by
// the tests to make books and by make-sample-book to make the sample book.
#pragma once

#include "kf8_text.h"
#include "ncx_index.h"

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

struct MobiBook {
    std::string title;   // UTF-8; an empty title is written as "Untitled"
    std::string author;  // UTF-8, may be empty
    // The book's markup, UTF-8: <html><head>..</head><body>..</body></html>,
    // may hold <mbp:pagebreak/> and <img recindex="00001"> (1-based image
    // index, 5 digits). Empty markup gives a book without text records,
    // which readers refuse.
    std::string html;
    // Image records in order (GIF, JPEG, PNG bytes as they are).
    std::vector<std::vector<unsigned char>> images;
    bool compress = true;  // PalmDOC (LZ77) compression of the text records, else none
    std::vector<std::string> moreAuthors;  // further creators, each an EXTH record of its own after `author`
    std::string subject;   // UTF-8; an EXTH subject record when not empty
    std::string language;  // an EXTH language record ("de", "en-us") when not empty
    std::optional<std::uint32_t> coverOffset;  // EXTH cover offset: 0 names the first image
    // The table of contents, written as an NCX index when not empty.
    std::vector<MobiTocEntry> toc;
    // When not empty, the book is a KF8 book (version 8) of these files
    // instead of `html`, and its table of contents leads to fragments.
    std::vector<Kf8File> kf8Files;
};

// Writes `book` to `file`, replacing it. False on I/O failure or when the
// book does not fit the format (more than 65535 records, about 256 MiB of
// text, or a file over 4 GiB); no partial file is left behind then.
bool WriteMobiBook(const std::filesystem::path& file, const MobiBook& book);
