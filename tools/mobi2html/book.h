// A MOBI book opened with libmobi: its document information, its markup in
// reading order as UTF-8, its table of contents, and the records that markup
// refers to (images, style sheets).
#pragma once

#include "page_document.h"

#include <mobi.h>

#include <cstddef>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

class Book {
public:
    struct LoadResult;

    // Opens and decodes `file`. Encrypted (DRM) books, damaged files and
    // files that are no MOBI book give no book and a short reason.
    static LoadResult Load(const std::filesystem::path& file);

    ~Book();
    Book(const Book&) = delete;
    Book& operator=(const Book&) = delete;

    // The book's information, its text parts in reading order (the one
    // markup of a KF7 book, with an anchor at every place its links lead to,
    // or the files of a KF8 book, the KF8 half of a hybrid) and its table of
    // contents.
    const PageDocument& Document() const { return m_document; }

    // Where the cover picture lies among the image records (0 for the
    // first); nothing when the book names no cover.
    std::optional<std::size_t> CoverOffset() const { return m_coverOffset; }
    bool IsKf8() const { return m_pRawml != nullptr; }

    // Bytes of the image record that a KF7 recindex (1-based) names; empty
    // when there is no such record.
    std::string_view Kf7Image(std::size_t recindex) const;
    // Bytes of the KF8 resource and of the KF8 flow with the number that
    // libmobi puts in its resourceNNNNN and flowNNNNN names; empty when
    // there is none.
    std::string_view Kf8Resource(std::size_t number) const;
    std::string_view Kf8Flow(std::size_t number) const;
    bool IsKf8StyleSheetFlow(std::size_t number) const;

private:
    struct MobiDataDeleter {
        void operator()(MOBIData* data) const;
    };
    struct RawmlDeleter {
        void operator()(MOBIRawml* rawml) const;
    };
    using RawmlPtr = std::unique_ptr<MOBIRawml, RawmlDeleter>;

    Book() = default;
    bool LoadKf7Text(std::size_t capacity, std::string& error);
    bool LoadKf8Parts(std::string& error);
    RawmlPtr ParseRawml(MOBI_RET& result) const;

    std::unique_ptr<MOBIData, MobiDataDeleter> m_pData;
    RawmlPtr m_pRawml;  // KF8 books only
    PageDocument m_document;
    std::optional<std::size_t> m_coverOffset;
};

struct Book::LoadResult {
    std::unique_ptr<Book> book;  // null on failure
    std::string error;           // why, when there is no book
};
