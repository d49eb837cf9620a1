// Joins the pieces' PDFs in reading order into one document with libqpdf,
// and writes it whole or not at all (staged beside the output and renamed). A single piece goes through it too, so
// that every PDF gets the same finishing.
#pragma once

#include <qpdf/QPDF.hh>

#include <cstddef>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <vector>

class PdfJoiner {
public:
    PdfJoiner();
    ~PdfJoiner();
    PdfJoiner(const PdfJoiner&) = delete;
    PdfJoiner& operator=(const PdfJoiner&) = delete;

    // Called with each page of a piece and its number (0-based) in the
    // joined document, before the page is copied into it.
    using PageVisitor = std::function<void(QPDFObjectHandle page, std::size_t number)>;

    // Adds the pages of `pdf` after those added so far (only the pages: the
    // document's information and outline are the caller's to write).
    // `name` says which piece it is in a message; false with `error` set.
    bool Append(const std::filesystem::path& pdf, const std::string& name, const PageVisitor& visit,
                std::string& error);

    // The joined document, open to changes before it is written.
    QPDF& Document() { return *m_pResult; }

    // Writes the document to a new file beside `output`, then renames it to
    // `output`; false with `error` set, and no file left behind.
    bool Write(const std::filesystem::path& output, std::string& error);

private:
    std::unique_ptr<QPDF> m_pResult;
    // The pieces stay open until the document is written: their page
    // contents are copied from them only then.
    std::vector<std::unique_ptr<QPDF>> m_parts;
    std::size_t m_nPages = 0;
};
