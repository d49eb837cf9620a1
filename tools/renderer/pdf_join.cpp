#include "pdf_join.h"

#include "stop_signal.h"

#include "base/paths.h"
#include "base/staged_file.h"

#include <qpdf/QPDFPageDocumentHelper.hh>
#include <qpdf/QPDFSystemError.hh>
#include <qpdf/QPDFWriter.hh>

#include <cstring>
#include <stdexcept>

namespace fs = std::filesystem;

namespace {

std::string ReasonOf(const std::exception& exception)
{
    if (const auto* system = dynamic_cast<const QPDFSystemError*>(&exception))
        return std::strerror(system->getErrno());
    return exception.what();
}

// Thrown out of libqpdf's work when a stop is requested.
struct Stopped : std::runtime_error {
    Stopped() : std::runtime_error("stopped") {}
};

std::string WriteError(const fs::path& output, const std::string& reason)
{
    return "cannot write the PDF " + PathText(output) + ": " + reason;
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
        // qpdf takes file names as UTF-8 on every platform.
        part->processFile(PathText(pdf).c_str());
        QPDFPageDocumentHelper pages(*m_pResult);
        for (QPDFPageObjectHelper& page : QPDFPageDocumentHelper(*part).getAllPages()) {
            if (StopSignal::Requested()) throw Stopped();
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
    StagedFile staged(output);
    std::FILE* file = staged.Open();
    if (!file) {
        error = WriteError(output, staged.Error().message());
        return false;
    }
    // The writer keeps the name it is given and reads it while writing: it
    // must outlive the writer.
    const std::string description = PathText(output.filename());
    try {
        QPDFWriter writer(*m_pResult, description.c_str(), file, false);
        std::string version = "1.4";
        for (const auto& part : m_parts)
            if (part->getPDFVersion() > version) version = part->getPDFVersion();
        writer.setMinimumPDFVersion(version);
        // The writer tells its progress a hundred times over: often enough
        // to give up a large document soon after a stop.
        writer.registerProgressReporter(std::make_shared<QPDFWriter::FunctionProgressReporter>([](int) {
            if (StopSignal::Requested()) throw Stopped();
        }));
        writer.write();
    } catch (const std::exception& exception) {
        error = WriteError(output, ReasonOf(exception));
        return false;
    }
    if (!staged.Commit()) {
        error = WriteError(output, staged.Error().message());
        return false;
    }
    return true;
}
