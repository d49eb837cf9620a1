#include "mobi_pdf.h"

#include "html_images.h"
#include "job_reasons.h"
#include "base/paths.h"
#include "base/process_names.h"
#include "settings/options.h"
#include "source_copy.h"
#include "base/staged_file.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>
#include <system_error>
#include <utility>

#ifndef _WIN32
#include <unistd.h>
#endif

namespace {

std::wstring ToolFileName(const std::wstring& name)
{
#ifdef _WIN32
    return name + L".exe";
#else
    return name;
#endif
}

// A renderer that dies half way leaves a file that is not a whole PDF; such a
// file must never reach the user as a finished conversion.
bool LooksLikeCompletePdf(const std::wstring& path)
{
    FilePtr file = OpenFile(ToNativePath(path), "rb");
    if (!file)
        return false;
    char head[5] = {};
    if (std::fread(head, 1, sizeof head, file.get()) != sizeof head || std::memcmp(head, "%PDF-", 5) != 0)
        return false;
    if (std::fseek(file.get(), 0, SEEK_END) != 0)
        return false;
    const long size = std::ftell(file.get());
    const long tailSize = size < 1024 ? size : 1024;
    std::string tail(static_cast<size_t>(tailSize), '\0');
    if (std::fseek(file.get(), size - tailSize, SEEK_SET) != 0 ||
        std::fread(tail.data(), 1, tail.size(), file.get()) != tail.size())
        return false;
    return tail.find("%%EOF") != std::string::npos;
}

std::error_code CopyStream(std::FILE* in, std::FILE* out)
{
    char buffer[64 * 1024];
    size_t n;
    while ((n = std::fread(buffer, 1, sizeof buffer, in)) > 0) {
        errno = 0;
        if (std::fwrite(buffer, 1, n, out) != n)
            return std::error_code(errno ? errno : EIO, std::generic_category());
    }
    return std::ferror(in) ? std::make_error_code(std::errc::io_error) : std::error_code();
}

// The target is replaced only by a complete file: the PDF is copied beside
// the target under a temporary name, then renamed onto it. A failure leaves
// whatever was at the target as it was, and no partial file.
std::error_code ReplaceTarget(const std::wstring& pdf, const std::wstring& target, StagedFile::ExistingTarget existing)
{
    FilePtr in = OpenFile(ToNativePath(pdf), "rb");
    if (!in)
        return std::error_code(errno, std::generic_category());
    StagedFile staged(ToNativePath(target));
    std::FILE* out = staged.Open();
    if (!out)
        return staged.Error();
    if (const std::error_code error = CopyStream(in.get(), out))
        return error;  // the staged file goes with `staged`
    if (!staged.Commit(true, existing))
        return staged.Error();
    return {};
}

bool IsFolder(const std::wstring& path)
{
    std::error_code error;
    return std::filesystem::is_directory(std::filesystem::symlink_status(ToNativePath(path), error));
}

// A tool that is there and may be run.
bool IsRunnable(const std::wstring& path)
{
#ifdef _WIN32
    return FileExists(path);
#else
    std::error_code error;
    return std::filesystem::is_regular_file(ToNativePath(path), error) && access(ToNativeBytes(path).c_str(), X_OK) == 0;
#endif
}

}  // namespace

std::wstring BuildToolCommand(const std::wstring& exe, const std::wstring& options,
                              const std::wstring& input, const std::wstring& output)
{
#ifdef _WIN32
    const std::wstring run;
#else
    // The tool takes the place of the script's shell: one process, which the
    // runner's stop and the program's death end directly.
    const std::wstring run = L"exec ";
#endif
    return run + VelmoraEng::QuoteScriptArgument(exe) + L" " + options + L" " +
           VelmoraEng::QuoteScriptArgument(input) + L" " + VelmoraEng::QuoteScriptArgument(output);
}

int DeleteFolder(const std::wstring& folder)
{
    std::error_code error;
    const std::filesystem::path native = ToNativePath(folder);
    if (!std::filesystem::is_directory(std::filesystem::symlink_status(native, error)))
        return 1;
    std::filesystem::remove_all(native, error);  // removes links, never follows them
    return 0;
}

std::wstring MobiPdfEng::GetFileFilter() const
{
    static const wchar_t filter[] = L"Files (*.mobi)\0*.mobi\0";
    return std::wstring(filter, sizeof filter / sizeof filter[0]);  // closing NUL included
}

void MobiPdfCore::ReportProgress(int32_t quarter)
{
    m_nPosition += quarter;
    SetJobState(STATUS_PROCESSING, m_nCurrent);
}

void MobiPdfCore::OnToolOutput(const char* chunk)
{
    // The reason is in the tool's last line: the end is all that is kept
    // of a talkative tool.
    m_strToolOutput += chunk;
    if (m_strToolOutput.size() > 64 * 1024)
        m_strToolOutput.erase(0, m_strToolOutput.size() - 16 * 1024);
}

bool MobiPdfCore::RunConversionTool(const std::wstring& commandLine)
{
    m_strToolOutput.clear();
    return RunTool(commandLine);
}

std::wstring MobiPdfCore::ToolFailureReason(const std::wstring& tool) const
{
    return reasons::ToolFailed(tool, reasons::FromToolOutput(m_strToolOutput, ToNativeBytes(tool),
                                                             ToNativeBytes(GetWorkFolder())));
}

bool MobiPdfCore::ConvertFile(const std::wstring& source, const std::wstring& target)
{
    // Each call names its files from a fresh base, its HTML folder included,
    // so nothing of another call or another instance is ever taken up; what
    // an instance that was killed left behind is removed first.
    RemoveWorkLeftovers(ToNativePath(GetWorkFolder()));
    const std::wstring mobi2html = GetToolPath(ToolFileName(L"mobi2html"));
    const std::wstring wkhtmltopdf = GetToolPath(ToolFileName(L"wkhtmltopdf"));
    const std::wstring base = MakeWorkPath(L"tmpmobi");
    const std::wstring sourceCopy = base + L".mobi";
    const std::wstring htmlFolder = base + L"_html";
    const std::wstring htmlPage = htmlFolder + kPathSeparator + GetFileNamePart(base) + L".html";
    const std::wstring pdf = base + L".pdf";
    const int32_t quarter = m_nShare / 4;
    const int job = m_nCurrent;

    m_nPosition = m_nBase + quarter;
    SetJobState(STATUS_PROCESSING, job);

    // The page size is read once per book: a change applies from the next one.
    const int32_t width = g_pOptions ? g_pOptions->m_nPageWidth.load() : COptions::kDefaultPageWidth;
    const int32_t height = g_pOptions ? g_pOptions->m_nPageHeight.load() : COptions::kDefaultPageHeight;
    const std::wstring sizeOptions =
        L"--page-width " + std::to_wstring(width) + L" --page-height " + std::to_wstring(height);

    const auto stillRunning = [this] { return m_nState == STATUS_STARTED; };
    const StopPredicate stopRequested = [&] { return !stillRunning(); };
    // A failure tells the owner why; a stop says nothing.
    const auto fail = [&](const std::wstring& reason) {
        if (stillRunning())
            SetJobReason(job, reason);
        return false;
    };
    const auto convert = [&]() -> bool {
        if (IsFolder(target))
            return fail(reasons::kFolderInTheWay);  // the owner's yes can't replace a folder
        for (const auto& [tool, name] : {std::pair{&mobi2html, L"mobi2html"}, std::pair{&wkhtmltopdf, L"wkhtmltopdf"}}) {
            if (!IsRunnable(*tool))
                return fail(reasons::ToolMissing(name, FileExists(*tool)));
        }
        std::wstring reason;
        if (!CopySourceFile(source, sourceCopy, stopRequested, reason))
            return fail(reason);
        ReportProgress(quarter);

        DeleteFolder(htmlFolder);
        if (!FileExists(sourceCopy))
            return fail(reasons::kWorkFolderUnwritable);
        const std::wstring toHtml = BuildToolCommand(mobi2html, std::wstring(), sourceCopy, htmlFolder);
        if (!stillRunning() || !RunConversionTool(toHtml) || !stillRunning())
            return fail(ToolFailureReason(L"mobi2html"));  // not started; a stop says nothing

        ReportProgress(quarter);
        if (!FileExists(htmlPage))
            return fail(ToolFailureReason(L"mobi2html"));
        const std::wstring page = RewriteHtmlImages(htmlPage, stopRequested);
        if (!FileExists(page))
            return fail(reasons::kWorkFolderUnwritable);
        const std::wstring toPdf = BuildToolCommand(wkhtmltopdf, sizeOptions, page, pdf);
        if (!stillRunning() || !RunConversionTool(toPdf) || !stillRunning())
            return fail(ToolFailureReason(L"wkhtmltopdf"));

        if (!LooksLikeCompletePdf(pdf))
            return fail(ToolFailureReason(L"wkhtmltopdf"));
        // Without the owner's yes nothing at the target is replaced, not even
        // a file that appeared there while the book was converted.
        const auto existing = IsReplaceAgreed() ? StagedFile::ExistingTarget::kReplace : StagedFile::ExistingTarget::kKeep;
        if (const std::error_code error = ReplaceTarget(pdf, target, existing)) {
            if (error == std::errc::file_exists && existing == StagedFile::ExistingTarget::kKeep)
                MarkTargetKept();
            return fail(reasons::OutputWrite(error));
        }
        // A PDF that lacks some of the book's text says so beside "Finished".
        SetJobNote(job, reasons::NoteFromToolOutput(m_strToolOutput, "wkhtmltopdf"));
        ReportProgress(quarter);
        return true;
    };
    const bool result = convert();

    std::error_code error;
    std::filesystem::remove(ToNativePath(sourceCopy), error);
    DeleteFolder(htmlFolder);
    std::filesystem::remove(ToNativePath(pdf), error);
    // A tool ended by a stop had no time to remove the PDF it was writing
    // under a staged name beside `pdf`; it has ended now, so that file goes.
    RemoveStagedLeftovers(ToNativePath(GetWorkFolder()));
    return result;
}
