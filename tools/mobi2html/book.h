// A MOBI book opened with libmobi: its markup in reading order as UTF-8, and
// the records that markup refers to (images, style sheets).
#pragma once

#include <mobi.h>

#include <cstddef>
#include <filesystem>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

class Book {
public:
    struct LoadResult;

    // Opens and decodes `file`. Encrypted (DRM) books, damaged files and
    // files that are no MOBI book give no book and a short reason.
    static LoadResult Load(const std::filesystem::path& file);

    ~Book();
    Book(const Book&) = delete;
    Book& operator=(const Book&) = delete;

    const std::string& Title() const { return m_strTitle; }
    // The text parts in reading order, each an HTML document in UTF-8: the
    // one markup of a KF7 book, or the files of a KF8 book (the KF8 half of
    // a hybrid).
    const std::vector<std::string>& Parts() const { return m_parts; }

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

    Book() = default;
    bool LoadKf7Text(std::string& error);
    bool LoadKf8Parts(std::string& error);

    std::unique_ptr<MOBIData, MobiDataDeleter> m_pData;
    std::unique_ptr<MOBIRawml, RawmlDeleter> m_pRawml;  // KF8 books only
    std::string m_strTitle;
    std::vector<std::string> m_parts;
};

struct Book::LoadResult {
    std::unique_ptr<Book> book;  // null on failure
    std::string error;           // why, when there is no book
};
