// Books for tests, made with the project's MOBI writer.
#pragma once

#include "mobi_writer.h"

#include <cstdint>
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

// MakeChapterBook of one chapter that says all a book can say about itself:
// `title`, two authors ("Anaïs Nin", then `secondAuthor`), the language
// "fr" and the subject "Essais; Philosophie".
MobiBook MakeDescribedBook(const std::string& title, const std::string& secondAuthor);

// MakeChapterBook of one chapter that says nothing but its title, "Plain":
// no author, language or subject.
MobiBook MakePlainBook();

// MakeChapterBook with a contents page first: "Contents", then one link per
// chapter, labelled with its heading, as KindleGen writes them (filepos
// with ten digits, leading to the chapter's heading), then a page break.
MobiBook MakeContentsBook(int chapters);

// A paragraph of Chinese (Han characters and ideographic punctuation), and
// short Persian paragraphs (each fits on one line of an A4 page, with
// zero-width non-joiners inside words and lam-alef ligatures), as UTF-8.
extern const char kChineseParagraph[];
extern const char* const kPersianParagraphs[3];

// A book titled `title` whose body is `paragraphs`, each in a <p> (with
// dir="rtl" when `rightToLeft`).
MobiBook MakeParagraphBook(const std::string& title, const std::vector<std::string>& paragraphs,
                           bool rightToLeft = false);

// MakeChapterBook written to `file`; false on failure.
bool WriteChapterBook(const std::filesystem::path& file, int chapters, const ImageRecords& images = {});

// The project's sample book (the one make-sample-book writes); false on failure.
bool WriteSampleBook(const std::filesystem::path& file);

// Overwrites bytes of record 0 (PalmDOC and MOBI headers) of a book file at
// `offset` from the record's start, as damage or a changed field; false when
// the file cannot be patched.
bool PatchRecord0(const std::filesystem::path& file, std::size_t offset, const std::vector<unsigned char>& bytes);

// Big-endian bytes of a 16- or 32-bit header field.
std::vector<unsigned char> BigEndian16(std::uint16_t value);
std::vector<unsigned char> BigEndian32(std::uint32_t value);

// A small valid GIF (a two-colour checkerboard) made without any GIF library.
std::vector<unsigned char> MakeCheckerGif(int width, int height);

// A GIF of one colour, made the same way.
std::vector<unsigned char> MakeSolidGif(int width, int height, unsigned char red, unsigned char green,
                                        unsigned char blue);
