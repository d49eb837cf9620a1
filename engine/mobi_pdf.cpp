#include "mobi_pdf.h"

#include "html_images.h"
#include "paths.h"
#include "settings/options.h"

#include <atomic>
#include <cstdio>
#include <cstring>
#include <memory>
#include <filesystem>
#include <string>
#include <system_error>

#ifdef _WIN32
#include <io.h>
#else
#include <fcntl.h>
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

struct FileCloser {
    void operator()(FILE* file) const { if (file) std::fclose(file); }
};
using FilePtr = std::unique_ptr<FILE, FileCloser>;

FilePtr OpenFile(const std::wstring& path, const char* mode)
{
#ifdef _WIN32
    std::wstring wideMode(mode, mode + std::strlen(mode));
    return FilePtr(_wfopen(path.c_str(), wideMode.c_str()));
#else
    return FilePtr(std::fopen(ToNativeBytes(path).c_str(), mode));
#endif
}

// A renderer that dies half way leaves a file that is not a whole PDF; such a
// file must never reach the user as a finished conversion.
bool LooksLikeCompletePdf(const std::wstring& path)
{
    FilePtr file = OpenFile(path, "rb");
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

bool CopyWhole(const std::wstring& from, const std::wstring& to, bool flushToDisk)
{
    FilePtr in = OpenFile(from, "rb");
    if (!in)
        return false;
    FilePtr out = OpenFile(to, "wb");
    if (!out)
        return false;
    char buffer[64 * 1024];
    size_t n;
    while ((n = std::fread(buffer, 1, sizeof buffer, in.get())) > 0) {
        if (std::fwrite(buffer, 1, n, out.get()) != n)
            return false;
    }
    if (std::ferror(in.get()) || std::fflush(out.get()) != 0)
        return false;
    if (flushToDisk) {
#ifdef _WIN32
        _commit(_fileno(out.get()));
#else
        fsync(fileno(out.get()));
#endif
    }
    return std::fclose(out.release()) == 0;
}

// The target is replaced only by a complete file: the PDF is copied beside
// the target under a temporary name, then renamed over it. A failure leaves
// an existing target as it was and no partial file.
bool ReplaceTarget(const std::wstring& pdf, const std::wstring& target)
{
    static std::atomic<unsigned> sequence{0};
    std::wstring temporary = GetFolderPart(target);
    temporary += kPathSeparator;
    temporary += L"." + GetFileNamePart(target) + L".part" + std::to_wstring(++sequence);
    std::error_code error;
    if (CopyWhole(pdf, temporary, true)) {
        std::filesystem::rename(ToNativePath(temporary), ToNativePath(target), error);
        if (!error)
            return true;
    }
    std::filesystem::remove(ToNativePath(temporary), error);
    return false;
}

}  // namespace

std::wstring BuildToolCommand(const std::wstring& exe, const std::wstring& options,
                              const std::wstring& input, const std::wstring& output)
{
    return VelmoraEng::QuoteScriptArgument(exe) + L" " + options + L" " +
           VelmoraEng::QuoteScriptArgument(input) + L" " + VelmoraEng::QuoteScriptArgument(output);
}

bool FileExists(const std::wstring& path)
{
    std::error_code error;
    const auto status = std::filesystem::symlink_status(ToNativePath(path), error);
    return !error && status.type() != std::filesystem::file_type::not_found;
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

bool MobiPdfCore::ConvertFile(const std::wstring& source, const std::wstring& target)
{
    // Each call names its files from a fresh base, its HTML folder included,
    // so nothing of another call or another instance is ever taken up.
    const std::wstring mobi2html = GetToolPath(ToolFileName(L"mobi2html"));
    const std::wstring base = MakeWorkPath(L"tmpmobi");
    const std::wstring sourceCopy = base + L".mobi";
    const std::wstring htmlFolder = base + L"_html";
    const std::wstring htmlPage = htmlFolder + kPathSeparator + GetFileNamePart(base) + L".html";
    const std::wstring pdf = base + L".pdf";
    const int32_t quarter = m_nShare / 4;

    m_nPosition = m_nBase + quarter;
    SetJobState(STATUS_PROCESSING, m_nCurrent);

    // The page size is read once per book: a change applies from the next one.
    const int32_t width = g_pOptions ? g_pOptions->m_nPageWidth.load() : COptions::kDefaultPageWidth;
    const int32_t height = g_pOptions ? g_pOptions->m_nPageHeight.load() : COptions::kDefaultPageHeight;
    const std::wstring sizeOptions =
        L"--page-width " + std::to_wstring(width) + L" --page-height " + std::to_wstring(height);

    const auto stillRunning = [this] { return m_nState == STATUS_STARTED; };
    const auto convert = [&]() -> bool {
        if (!CopyWhole(source, sourceCopy, false))
            return false;
        ReportProgress(quarter);

        DeleteFolder(htmlFolder);
        if (!FileExists(sourceCopy))
            return false;
        const std::wstring toHtml = BuildToolCommand(mobi2html, std::wstring(), sourceCopy, htmlFolder);
        if (!stillRunning() || !RunTool(toHtml) || !stillRunning())
            return false;

        ReportProgress(quarter);
        const std::wstring wkhtmltopdf = GetToolPath(ToolFileName(L"wkhtmltopdf"));
        if (!FileExists(htmlPage))
            return false;
        const std::wstring page = RewriteHtmlImages(htmlPage);
        if (!FileExists(page))
            return false;
        const std::wstring toPdf = BuildToolCommand(wkhtmltopdf, sizeOptions, page, pdf);
        if (!stillRunning() || !RunTool(toPdf) || !stillRunning())
            return false;

        if (!LooksLikeCompletePdf(pdf) || !ReplaceTarget(pdf, target))
            return false;
        ReportProgress(quarter);
        return true;
    };
    const bool result = convert();

    std::error_code error;
    std::filesystem::remove(ToNativePath(sourceCopy), error);
    DeleteFolder(htmlFolder);
    std::filesystem::remove(ToNativePath(pdf), error);
    return result;
}
