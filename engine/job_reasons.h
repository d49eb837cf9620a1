// Why a book did not become a PDF, in the plain words the user is shown
// (JobItem::reason), and how those words are found from what went wrong.
// No reason ever names a temporary file.
#pragma once

#include <string>
#include <string_view>
#include <system_error>

namespace reasons {

inline constexpr wchar_t kTargetKept[] = L"a file of that name exists and was kept";
inline constexpr wchar_t kTargetAppeared[] = L"a file of that name appeared meanwhile and was kept";
inline constexpr wchar_t kFolderInTheWay[] = L"a folder is in the way of the PDF";
inline constexpr wchar_t kDiskFull[] = L"the disk is full";
inline constexpr wchar_t kWorkFolderUnwritable[] = L"the work folder can't be written";
inline constexpr wchar_t kDrm[] = L"the book is protected by DRM";
inline constexpr wchar_t kNotMobi[] = L"the file is not a MOBI book";
inline constexpr wchar_t kDamaged[] = L"the book is damaged";
inline constexpr wchar_t kDamagedOrNotMobi[] = L"the file is damaged or is not a MOBI book";
inline constexpr wchar_t kSourceIsFolder[] = L"it is a folder, not a book";
inline constexpr wchar_t kSourceIsPipe[] = L"it is a pipe, not a book";
inline constexpr wchar_t kSourceIsDevice[] = L"it is a device, not a book";
inline constexpr wchar_t kSourceIsSocket[] = L"it is a socket, not a book";
inline constexpr wchar_t kSourceIsNotAFile[] = L"it is not a regular file, not a book";

// "a conversion tool is missing (mobi2html)", or "... can't be run ..." for
// a tool that is there but not executable.
std::wstring ToolMissing(const std::wstring& tool, bool present);

// The tool ran but left no result: the reason it gave, else that it failed.
std::wstring ToolFailed(const std::wstring& tool, const std::wstring& toolReason);

// Reading the book failed: gone, not allowed, or a read error.
std::wstring SourceUnreadable(const std::error_code& error);

// Writing into the work folder failed.
std::wstring WorkFolderWrite(const std::error_code& error);

// Writing the PDF into its folder failed: the folder is read-only, missing or
// full, a folder stands at the PDF's name...
std::wstring OutputWrite(const std::error_code& error);

// The reason our tool `tool` gave in its failure line ("mobi2html: <path>:
// <reason>" or "wkhtmltopdf: <reason>", the last such line of `output`), in
// plain words: DRM, not a MOBI book, damaged, a full disk, else the tool's
// own text, bounded in length. Lines of any other program (the system
// renderer's warnings) are never taken. A path in `workFolder` is dropped;
// text that still names one is not used. Empty when there is no such line.
std::wstring FromToolOutput(std::string_view output, std::string_view tool, std::string_view workFolder);

// The note our tool `tool` gave about a result it did write ("wkhtmltopdf
// note: no font could draw its Chinese text", the last such line of
// `output`), as the user may see it; empty when there is none. A note never
// passes for a failure's reason: FromToolOutput does not take it.
std::wstring NoteFromToolOutput(std::string_view output, std::string_view tool);

}  // namespace reasons
