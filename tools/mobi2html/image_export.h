// Writes the book's images that the page refers to into images/ beside the
// page, each once and in its own format (a GIF stays a GIF), and hands the
// page its style sheets.
#pragma once

#include "book.h"
#include "output_folder.h"
#include "page_resources.h"

#include <map>
#include <string>

// File extension for image bytes by their signature: jpg, gif, png, bmp or
// svg; empty for anything else (sound, film, fonts).
std::string_view ImageExtension(std::string_view bytes);

class BookFiles final : public PageResources {
public:
    BookFiles(const Book& book, OutputFolder& folder) : m_book(book), m_folder(folder) {}

    std::string ImageByIndex(std::size_t recindex) override;
    std::string ImageByReference(std::string_view reference) override;
    std::optional<std::string> StyleSheet(std::string_view reference) override;
    std::string CoverImage() override;

    // Why an image could not be written; empty when all went well.
    const std::string& Error() const { return m_strError; }

private:
    std::string Export(std::string_view bytes, const std::string& stem);
    std::string Kf8Image(std::size_t number);

    const Book& m_book;
    OutputFolder& m_folder;
    std::map<std::string, std::string> m_written;  // file stem -> page-relative path ("" if not an image)
    std::string m_strError;
};
