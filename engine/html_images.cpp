#include "html_images.h"

#include "base/ascii.h"
#include "gif_to_jpeg.h"
#include "base/paths.h"
#include "base/staged_file.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <map>
#include <optional>
#include <string_view>
#include <system_error>

namespace fs = std::filesystem;

namespace {

constexpr std::string_view kSrcAttribute = "src=\"";

// Replaces every `from` by `to`, left to right, going on after each
// replacement.
void ReplaceAll(std::string& text, std::string_view from, std::string_view to)
{
    for (auto pos = text.find(from); pos != std::string::npos; pos = text.find(from, pos + to.size()))
        text.replace(pos, from.size(), to);
}

// References are URLs written by books: a backslash separates there as well
// as a slash, whatever the platform.
bool IsReferenceSeparator(wchar_t c)
{
    return c == L'/' || c == L'\\';
}

// Whether a reference names a file inside the page's folder: no absolute
// path, drive, scheme (http:, file:, data: ...) or ".." segment. Other
// references are still rewritten in the page, but no file is touched for them.
bool StaysInFolder(std::string_view reference)
{
    if (reference.empty() || reference.front() == '/' || reference.front() == '\\')
        return false;
    if (reference.find_first_of(std::string_view(":\0", 2)) != std::string_view::npos)
        return false;
    std::size_t start = 0;
    while (start <= reference.size()) {
        const auto end = std::min(reference.find_first_of("/\\", start), reference.size());
        if (reference.substr(start, end - start) == "..")
            return false;
        start = end + 1;
    }
    return true;
}

// A path in the page's folder from a reference: slashes become this
// platform's separator.
std::optional<std::wstring> ReferenceToPath(std::string reference)
{
    std::replace(reference.begin(), reference.end(), '/', static_cast<char>(kPathSeparator));
    return Utf8ToWide(reference);
}

bool IsInside(const fs::path& folder, const fs::path& path)
{
    std::error_code ec;
    const fs::path resolved = fs::weakly_canonical(path, ec);
    if (ec)
        return false;
    return LiesBelow(folder, resolved);
}

// The page names "Cover.GIF" as "Cover.gif" once its extension is lowered;
// where file names are case-sensitive the file is looked up element by
// element, ignoring the case of ASCII letters, as the renderer's own
// platform conventions would find it elsewhere. An element with several
// matches takes the first in sorted order; nullopt when nothing matches.
std::optional<fs::path> FindIgnoringCase(const fs::path& folder, const fs::path& relative)
{
    fs::path current = folder;
    for (const fs::path& element : relative) {
        if (element.empty())
            continue;
        std::error_code ec;
        if (fs::exists(fs::symlink_status(current / element, ec))) {
            current /= element;
            continue;
        }
        std::optional<fs::path> match;
        fs::directory_iterator it(current, ec);
        for (; !ec && it != fs::directory_iterator(); it.increment(ec)) {
            const fs::path name = it->path().filename();
            if (EqualsIgnoringAsciiCase(name.native(), element.native()) && (!match || name < *match))
                match = name;
        }
        if (!match)
            return std::nullopt;
        current /= *match;
    }
    return current;
}

std::optional<std::string> ReadWholeFile(const fs::path& path)
{
    FilePtr file = OpenFile(path, "rb");
    if (!file)
        return std::nullopt;
    std::string text;
    char buffer[64 * 1024];
    std::size_t count = 0;
    while ((count = std::fread(buffer, 1, sizeof buffer, file.get())) > 0)
        text.append(buffer, count);
    if (std::ferror(file.get()))
        return std::nullopt;
    return text;
}

bool WriteWholeFile(const fs::path& path, const std::string& text)
{
    StagedFile staged(path);
    std::FILE* out = staged.Open();
    if (out == nullptr)
        return false;
    if (!text.empty() && std::fwrite(text.data(), 1, text.size(), out) != text.size())
        return false;
    return staged.Commit();
}

// Converts the GIF that `sourceName` names in `folder` (found ignoring case
// where needed) into `target`; false when there is no such picture inside
// the folder or it could not be converted.
bool ConvertOne(const fs::path& folder, fs::path source, const fs::path& sourceName, const fs::path& target,
                const StopPredicate& stopRequested)
{
    std::error_code ec;
    if (!fs::exists(source, ec)) {
        const auto found = FindIgnoringCase(folder, sourceName);
        if (!found)
            return false;
        source = *found;
    }
    if (!IsInside(folder, source) || !IsInside(folder, target))
        return false;
    return ConvertGifToJpeg(source, target, stopRequested);
}

}  // namespace

std::string PrefixFileName(const std::string& reference)
{
    const auto wide = Utf8ToWide(reference);
    if (!wide)
        return reference;
    // The last separator, not counting one in the last position.
    std::size_t split = std::wstring::npos;
    for (std::size_t i = wide->size() >= 2 ? wide->size() - 1 : 0; i-- > 0;) {
        if (IsReferenceSeparator((*wide)[i])) {
            split = i;
            break;
        }
    }
    std::wstring prefixed;
    if (split == std::wstring::npos) {
        prefixed = L"__" + *wide;
    } else {
        // A leading separator ("/pic.gif") is kept, so that the reference
        // keeps pointing where it did.
        prefixed = wide->substr(0, split) + L"/__" + wide->substr(split + 1);
    }
    return WideToUtf8(prefixed).value_or(reference);
}

void CollectGifSources(std::string& page, std::vector<std::string>& references)
{
    CollectGifSources(page, references, [](const std::string&) { return true; });
}

void CollectGifSources(std::string& page, std::vector<std::string>& references,
                       const std::function<bool(const std::string&)>& rewrite)
{
    std::size_t searchFrom = 0;
    for (;;) {
        const auto attribute = page.find(kSrcAttribute, searchFrom);
        if (attribute == std::string::npos)
            return;
        const auto valueStart = attribute + kSrcAttribute.size();
        const auto valueEnd = page.find('"', valueStart);
        if (valueEnd == std::string::npos)
            return;  // unterminated: the rest of the page stays as it is
        std::string value = page.substr(valueStart, valueEnd - valueStart);
        ReplaceAll(value, ".GIF", ".gif");
        // A value that is not UTF-8 cannot be renamed; it stays as written.
        if (value.find(".gif") == std::string::npos || !Utf8ToWide(value) || !rewrite(value)) {
            searchFrom = valueStart;
            continue;
        }
        std::string jpegReference = PrefixFileName(value);
        ReplaceAll(jpegReference, ".gif", ".jpg");
        page.replace(valueStart, valueEnd - valueStart, jpegReference);
        references.push_back(std::move(value));
        searchFrom = valueStart + jpegReference.size() + 1;
    }
}

std::set<std::string> ConvertGifFiles(const std::wstring& pageFolder, const std::vector<std::string>& references,
                                      const StopPredicate& stopRequested)
{
    std::set<std::string> converted;
    if (pageFolder.empty())
        return converted;
    std::error_code ec;
    const fs::path folder = fs::canonical(ToNativePath(pageFolder), ec);
    if (ec)
        return converted;
    // A picture the page names many times is converted once: its JPEG is
    // known by the file it is written to.
    std::map<fs::path, bool> written;
    for (const std::string& reference : references) {
        if (!StaysInFolder(reference))
            continue;
        std::string jpegReference = reference;
        ReplaceAll(jpegReference, ".gif", ".jpg");
        const auto sourceName = ReferenceToPath(reference);
        const auto targetName = ReferenceToPath(PrefixFileName(jpegReference));
        if (!sourceName || !targetName)
            continue;
        const fs::path target = ToNativePath(pageFolder + kPathSeparator + *targetName);
        const auto [known, isNew] = written.try_emplace(target.lexically_normal(), false);
        if (isNew) {
            if (stopRequested && stopRequested())
                break;
            known->second = ConvertOne(folder, ToNativePath(pageFolder + kPathSeparator + *sourceName),
                                       ToNativePath(*sourceName), target, stopRequested);
        }
        if (known->second)
            converted.insert(reference);
    }
    return converted;
}

std::wstring RewriteHtmlImages(const std::wstring& pagePath, const StopPredicate& stopRequested)
{
    const std::wstring folder = GetFolderPart(pagePath);
    const std::wstring name = GetFileNamePart(pagePath);
    const std::wstring newPath = folder + kPathSeparator + L"new_" + name;
    if (name.empty())
        return newPath;  // not a path to a file in a folder

    // Whatever happens below, an older file of that name must not pass for
    // the rewritten page.
    const fs::path newFile = ToNativePath(newPath);
    RemoveFileIfPresent(newFile);

    auto page = ReadWholeFile(ToNativePath(pagePath));
    if (!page)
        return newPath;
    // The references are found on a copy; the page itself is rewritten only
    // where a JPEG was made.
    std::string scanned = *page;
    std::vector<std::string> references;
    CollectGifSources(scanned, references);
    const std::set<std::string> converted = ConvertGifFiles(folder, references, stopRequested);
    if (stopRequested && stopRequested())
        return newPath;
    references.clear();
    CollectGifSources(*page, references, [&](const std::string& value) { return converted.count(value) > 0; });
    WriteWholeFile(newFile, *page);
    return newPath;
}
