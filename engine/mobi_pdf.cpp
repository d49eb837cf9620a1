#include "mobi_pdf.h"

#include "html_images.h"
#include "paths.h"
#include "settings/options.h"
#include "staged_file.h"

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>
#include <system_error>

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

bool CopyStream(std::FILE* in, std::FILE* out)
{
    char buffer[64 * 1024];
    size_t n;
    while ((n = std::fread(buffer, 1, sizeof buffer, in)) > 0) {
        if (std::fwrite(buffer, 1, n, out) != n)
            return false;
    }
    return !std::ferror(in);
}

bool CopyWhole(const std::wstring& from, const std::wstring& to)
{
    FilePtr in = OpenFile(ToNativePath(from), "rb");
    if (!in)
        return false;
    FilePtr out = OpenFile(ToNativePath(to), "wb");
    return out && CopyStream(in.get(), out.get()) && std::fclose(out.release()) == 0;
}

// The target is replaced only by a complete file: the PDF is copied beside
// the target under a temporary name, then renamed over it. A failure leaves
// an existing target as it was and no partial file.
bool ReplaceTarget(const std::wstring& pdf, const std::wstring& target)
{
    FilePtr in = OpenFile(ToNativePath(pdf), "rb");
    if (!in)
        return false;
    StagedFile staged(ToNativePath(target));
    std::FILE* out = staged.Open();
    return out && CopyStream(in.get(), out) && staged.Commit(true);
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
        if (!CopyWhole(source, sourceCopy))
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
