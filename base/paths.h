// Path helpers on wide strings and the conversions at the system-call boundary.
#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

// The separator this platform writes; IsPathSeparator also knows the other
// one on Windows, where both are separators. Elsewhere a backslash is an
// ordinary file-name character.
#ifdef _WIN32
inline constexpr wchar_t kPathSeparator = L'\\';
inline constexpr bool IsPathSeparator(wchar_t c) { return c == L'\\' || c == L'/'; }
#else
inline constexpr wchar_t kPathSeparator = L'/';
inline constexpr bool IsPathSeparator(wchar_t c) { return c == L'/'; }
#endif

// Text before the last separator, scanning back from the next-to-last
// character (so a trailing separator is skipped); empty when the only
// separator is the first character or there is none.
std::wstring GetFolderPart(const std::wstring& path);

// Text after the last separator; empty when there is none or the only one is
// the first character.
std::wstring GetFileNamePart(const std::wstring& path);

// Replaces the extension of the last path element by `extension` (without a
// dot), or appends it when there is none. An extension already equal to it,
// ignoring case, is kept as written. An empty `extension` only cuts.
void ChangeExtension(std::wstring& path, const std::wstring& extension);

// Strict conversions: nullopt for invalid input (bad UTF-8, lone surrogates,
// code points outside Unicode), never a lossy guess.
std::optional<std::wstring> Utf8ToWide(std::string_view utf8);
std::optional<std::string> WideToUtf8(std::wstring_view wide);

// Lossless conversions for paths that came from the file system: on POSIX a
// name is bytes, so bytes that are not UTF-8 survive the round trip (each is
// kept as one code point in U+DC80..U+DCFF, as Python's surrogateescape does).
std::filesystem::path ToNativePath(const std::wstring& path);
std::wstring FromNativePath(const std::filesystem::path& path);

// A path as UTF-8 text for messages and for other programs' command lines
// (on every platform, whatever its characters).
std::string PathText(const std::filesystem::path& path);

// A path from UTF-8 text, as a command line given as wide text on Windows
// arrives once it is converted; on POSIX the bytes are taken as they are.
std::filesystem::path PathFromText(std::string_view text);

// UTF-8 bytes of a wide path for the system calls of this platform, using the
// same lossless mapping as ToNativePath.
std::string ToNativeBytes(const std::wstring& path);

// Whether `path` lies below `folder` (the folder itself does not), element
// by element; both as resolved paths, without links or "." and ".." steps.
bool LiesBelow(const std::filesystem::path& folder, const std::filesystem::path& path);

// `path` made absolute against the current folder, without "." and ".."
// steps; as it is when that can't be done.
std::wstring AbsolutePath(const std::wstring& path);

// The full path of this program's own executable file; empty when the
// system can't tell.
std::filesystem::path OwnExecutablePath();

// Whether anything is at the path: a file of any mode, a link (dangling or
// not), a folder, a pipe... Only lstat is used, so nothing is opened, and an
// entry this user can't read counts like any other.
bool FileExists(const std::wstring& path);
