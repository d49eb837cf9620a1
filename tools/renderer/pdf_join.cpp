#include "pdf_join.h"

#include <qpdf/QPDFPageDocumentHelper.hh>
#include <qpdf/QPDFSystemError.hh>
#include <qpdf/QPDFWriter.hh>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

std::string ReasonOf(const std::exception& exception)
{
    if (const auto* system = dynamic_cast<const QPDFSystemError*>(&exception))
        return std::strerror(system->getErrno());
    return exception.what();
}

// A file beside `output` that did not exist before, open for writing.
FILE* CreateStagingFile(const fs::path& output, fs::path& staging)
{
    for (int attempt = 0; attempt < 100; ++attempt) {
        staging = output.parent_path() / ("." + output.filename().string() + "." + std::to_string(getpid()) + "-" +
                                          std::to_string(attempt) + ".tmp");
        const int fd = open(staging.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd >= 0) {
            if (FILE* file = fdopen(fd, "wb")) return file;
            close(fd);
            unlink(staging.c_str());
            return nullptr;
        }
        if (errno != EEXIST) return nullptr;
    }
    return nullptr;
}

std::string WriteError(const fs::path& output, const std::string& reason)
{
    return "cannot write the PDF " + output.string() + ": " + reason;
}

// Renames the finished staging file to `output`, or removes it.
bool Commit(const fs::path& staging, const fs::path& output, bool written, std::string& error)
{
    if (written && std::rename(staging.c_str(), output.c_str()) != 0) {
        error = WriteError(output, std::strerror(errno));
        written = false;
    }
    if (!written) unlink(staging.c_str());
    return written;
}

}  // namespace

PdfJoiner::PdfJoiner() : m_pResult(std::make_unique<QPDF>())
{
    m_pResult->emptyPDF();
    m_pResult->setSuppressWarnings(true);
}

PdfJoiner::~PdfJoiner() = default;

bool PdfJoiner::Append(const fs::path& pdf, const std::string& name, const PageVisitor& visit, std::string& error)
{
    try {
        auto part = std::make_unique<QPDF>();
        part->setSuppressWarnings(true);
        part->processFile(pdf.c_str());
        QPDFPageDocumentHelper pages(*m_pResult);
        for (QPDFPageObjectHelper& page : QPDFPageDocumentHelper(*part).getAllPages()) {
            if (visit) visit(page.getObjectHandle(), m_nPages);
            pages.addPage(page, false);
            ++m_nPages;
        }
        m_parts.push_back(std::move(part));
        return true;
    } catch (const std::exception& exception) {
        error = "the PDF of " + name + " cannot be read: " + ReasonOf(exception);
        return false;
    }
}

bool PdfJoiner::Write(const fs::path& output, std::string& error)
{
    fs::path staging;
    FILE* file = CreateStagingFile(output, staging);
    if (!file) {
        error = WriteError(output, std::strerror(errno));
        return false;
    }
    bool written = false;
    try {
        QPDFWriter writer(*m_pResult, output.filename().c_str(), file, false);
        std::string version = "1.4";
        for (const auto& part : m_parts)
            if (part->getPDFVersion() > version) version = part->getPDFVersion();
        writer.setMinimumPDFVersion(version);
        writer.write();
        written = std::fflush(file) == 0;
        if (!written) error = WriteError(output, std::strerror(errno));
    } catch (const std::exception& exception) {
        error = WriteError(output, ReasonOf(exception));
    }
    if (std::fclose(file) != 0 && written) {
        error = WriteError(output, std::strerror(errno));
        written = false;
    }
    return Commit(staging, output, written, error);
}
