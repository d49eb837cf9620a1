#include "paths.h"

#include "ascii.h"
#include "utf8.h"

#include <algorithm>
#include <cwctype>

#ifdef _WIN32
#include <windows.h>
#endif

std::wstring GetFolderPart(const std::wstring& path)
{
    if (path.size() < 2)
        return std::wstring();
    // Start at the next-to-last character, so a trailing separator is skipped.
    for (size_t i = path.size() - 2; i > 0; --i) {
        if (IsPathSeparator(path[i]))
            return path.substr(0, i);
    }
    return std::wstring();
}

std::wstring GetFileNamePart(const std::wstring& path)
{
    for (size_t i = path.size(); i-- > 1;) {
        if (IsPathSeparator(path[i]))
            return path.substr(i + 1);
    }
    return std::wstring();
}

void ChangeExtension(std::wstring& path, const std::wstring& extension)
{
    size_t dot = path.rfind(L'.');
    size_t separator = std::wstring::npos;
    for (size_t i = path.size(); i-- > 0;) {
        if (IsPathSeparator(path[i])) {
            separator = i;
            break;
        }
    }
    if (dot != std::wstring::npos && (separator == std::wstring::npos || separator < dot)) {
        if (EqualsIgnoringAsciiCase(std::wstring_view(path).substr(dot + 1), extension))
            return;
        path.erase(dot);
    }
    if (!extension.empty()) {
        path += L'.';
        path += extension;
    }
}

// --- UTF-8 -------------------------------------------------------------------

namespace {

constexpr char32_t kEscapeLow = 0xDC80;  // first code point of an escaped byte

// Decodes one UTF-8 sequence at `i`; returns the code point and advances `i`,
// or returns nullopt (leaving `i`) when the bytes are not well-formed UTF-8.
std::optional<char32_t> DecodeOne(std::string_view s, size_t& i)
{
    const auto byte = [&](size_t k) { return static_cast<unsigned char>(s[k]); };
    unsigned char lead = byte(i);
    if (lead < 0x80) {
        ++i;
        return lead;
    }
    int length;
    char32_t cp;
    if (lead >= 0xC2 && lead <= 0xDF) { length = 2; cp = lead & 0x1F; }
    else if (lead >= 0xE0 && lead <= 0xEF) { length = 3; cp = lead & 0x0F; }
    else if (lead >= 0xF0 && lead <= 0xF4) { length = 4; cp = lead & 0x07; }
    else return std::nullopt;
    if (i + length > s.size())
        return std::nullopt;
    for (int k = 1; k < length; ++k) {
        unsigned char c = byte(i + k);
        if ((c & 0xC0) != 0x80)
            return std::nullopt;
        cp = (cp << 6) | (c & 0x3F);
    }
    // Overlong forms, surrogates and values beyond Unicode are not UTF-8.
    if ((length == 3 && cp < 0x800) || (length == 4 && (cp < 0x10000 || cp > 0x10FFFF)) ||
        (cp >= 0xD800 && cp <= 0xDFFF))
        return std::nullopt;
    i += length;
    return cp;
}

void AppendWide(std::wstring& out, char32_t cp)
{
    if constexpr (sizeof(wchar_t) == 2) {
        if (cp >= 0x10000) {
            cp -= 0x10000;
            out += static_cast<wchar_t>(0xD800 + (cp >> 10));
            out += static_cast<wchar_t>(0xDC00 + (cp & 0x3FF));
            return;
        }
    }
    out += static_cast<wchar_t>(cp);
}

// Reads one code point from a wide string; nullopt for a lone surrogate (on
// 16-bit wchar_t) or a value beyond Unicode.
std::optional<char32_t> NextWide(std::wstring_view s, size_t& i)
{
    char32_t c = static_cast<char32_t>(s[i++]);
    if constexpr (sizeof(wchar_t) == 2) {
        if (c >= 0xD800 && c <= 0xDBFF && i < s.size()) {
            char32_t low = static_cast<char32_t>(s[i]);
            if (low >= 0xDC00 && low <= 0xDFFF) {
                ++i;
                return 0x10000 + ((c - 0xD800) << 10) + (low - 0xDC00);
            }
        }
    }
    if ((c >= 0xD800 && c <= 0xDFFF) || c > 0x10FFFF)
        return std::nullopt;
    return c;
}

}  // namespace

std::optional<std::wstring> Utf8ToWide(std::string_view utf8)
{
    std::wstring out;
    out.reserve(utf8.size());
    for (size_t i = 0; i < utf8.size();) {
        auto cp = DecodeOne(utf8, i);
        if (!cp)
            return std::nullopt;
        AppendWide(out, *cp);
    }
    return out;
}

std::optional<std::string> WideToUtf8(std::wstring_view wide)
{
    std::string out;
    out.reserve(wide.size());
    for (size_t i = 0; i < wide.size();) {
        auto cp = NextWide(wide, i);
        if (!cp)
            return std::nullopt;
        AppendUtf8(out, *cp);
    }
    return out;
}

std::string PathText(const std::filesystem::path& path)
{
    const std::u8string text = path.u8string();
    return std::string(text.begin(), text.end());
}

std::filesystem::path PathFromText(std::string_view text)
{
    return std::filesystem::path(std::u8string(text.begin(), text.end()));
}

std::string ToNativeBytes(const std::wstring& path)
{
    std::string out;
    out.reserve(path.size());
    for (size_t i = 0; i < path.size();) {
        char32_t c = static_cast<char32_t>(path[i]);
        if (sizeof(wchar_t) == 4 && c >= kEscapeLow && c <= 0xDCFF) {
            out += static_cast<char>(c - 0xDC00);  // an escaped non-UTF-8 byte
            ++i;
            continue;
        }
        auto cp = NextWide(path, i);
        AppendUtf8(out, cp ? *cp : U'\uFFFD');
    }
    return out;
}

std::filesystem::path ToNativePath(const std::wstring& path)
{
#ifdef _WIN32
    return std::filesystem::path(path);
#else
    return std::filesystem::path(ToNativeBytes(path));
#endif
}

std::wstring FromNativePath(const std::filesystem::path& path)
{
#ifdef _WIN32
    return path.wstring();
#else
    const std::string& bytes = path.native();
    std::wstring out;
    out.reserve(bytes.size());
    for (size_t i = 0; i < bytes.size();) {
        if (auto cp = DecodeOne(bytes, i)) {
            AppendWide(out, *cp);
        } else {
            out += static_cast<wchar_t>(0xDC00 + static_cast<unsigned char>(bytes[i]));
            ++i;
        }
    }
    return out;
#endif
}

std::filesystem::path OwnExecutablePath()
{
#ifdef _WIN32
    std::wstring name(MAX_PATH, L'\0');
    for (;;) {
        const DWORD length = GetModuleFileNameW(nullptr, name.data(), static_cast<DWORD>(name.size()));
        if (length == 0)
            return {};
        if (length < name.size()) {
            name.resize(length);
            return std::filesystem::path(name);
        }
        name.resize(name.size() * 2);  // cut short: try a longer buffer
    }
#else
    std::error_code error;
    return std::filesystem::read_symlink("/proc/self/exe", error);
#endif
}

std::wstring AbsolutePath(const std::wstring& path)
{
    std::error_code error;
    const std::filesystem::path absolute = std::filesystem::absolute(ToNativePath(path), error);
    return error ? path : FromNativePath(absolute.lexically_normal());
}

bool FileExists(const std::wstring& path)
{
    std::error_code error;
    const auto status = std::filesystem::symlink_status(ToNativePath(path), error);
    return !error && status.type() != std::filesystem::file_type::not_found &&
           status.type() != std::filesystem::file_type::none;
}

bool LiesBelow(const std::filesystem::path& folder, const std::filesystem::path& path)
{
    const auto [folderEnd, pathRest] = std::mismatch(folder.begin(), folder.end(), path.begin(), path.end());
    return folderEnd == folder.end() && pathRest != path.end();
}
