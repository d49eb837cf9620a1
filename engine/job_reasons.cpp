#include "job_reasons.h"

#include "base/paths.h"

#include <cerrno>

namespace reasons {

namespace {

constexpr size_t kMaxToolText = 200;

bool IsDiskFull(const std::error_code& error)
{
    if (error == std::errc::no_space_on_device)
        return true;
#ifdef EDQUOT
    return error.category() == std::generic_category() && error.value() == EDQUOT;
#else
    return false;
#endif
}

bool IsNotAllowed(const std::error_code& error)
{
    return error == std::errc::permission_denied || error == std::errc::operation_not_permitted ||
           error == std::errc::read_only_file_system;
}

bool Contains(std::string_view text, std::string_view part)
{
    return text.find(part) != std::string_view::npos;
}

// The last line of `output` that starts with `prefix`, without it and
// without its line end.
std::string_view LastLineOf(std::string_view output, std::string_view prefix)
{
    std::string_view found;
    size_t start = 0;
    while (start < output.size()) {
        size_t end = output.find('\n', start);
        if (end == std::string_view::npos)
            end = output.size();
        std::string_view line = output.substr(start, end - start);
        if (!line.empty() && line.back() == '\r')
            line.remove_suffix(1);
        if (line.size() > prefix.size() && line.substr(0, prefix.size()) == prefix)
            found = line.substr(prefix.size());
        start = end + 1;
    }
    return found;
}

// The tool's own text as the user may see it: no control characters, at
// most kMaxToolText bytes, cut between characters.
std::wstring Shown(std::string text)
{
    for (char& c : text) {
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F)
            c = ' ';
    }
    if (text.size() > kMaxToolText) {
        size_t cut = kMaxToolText;
        while (cut > 0 && (static_cast<unsigned char>(text[cut]) & 0xC0) == 0x80)
            --cut;
        text = text.substr(0, cut) + "...";
    }
    if (auto wide = Utf8ToWide(text))
        return *wide;
    std::wstring ascii;
    for (char c : text)
        ascii += static_cast<unsigned char>(c) < 0x80 ? static_cast<wchar_t>(c) : L'?';
    return ascii;
}

}  // namespace

std::wstring ToolMissing(const std::wstring& tool, bool present)
{
    return (present ? L"a conversion tool can't be run (" : L"a conversion tool is missing (") + tool + L")";
}

std::wstring ToolFailed(const std::wstring& tool, const std::wstring& toolReason)
{
    return toolReason.empty() ? L"the conversion tool failed (" + tool + L")" : toolReason;
}

std::wstring SourceUnreadable(const std::error_code& error)
{
    if (error == std::errc::no_such_file_or_directory || error == std::errc::not_a_directory)
        return L"the book is no longer there";
    if (IsNotAllowed(error))
        return L"the book can't be read (no permission)";
    return L"the book can't be read";
}

std::wstring WorkFolderWrite(const std::error_code& error)
{
    return IsDiskFull(error) ? kDiskFull : kWorkFolderUnwritable;
}

std::wstring OutputWrite(const std::error_code& error)
{
    if (IsDiskFull(error))
        return kDiskFull;
    if (IsNotAllowed(error))
        return L"the output folder can't be written";
    if (error == std::errc::no_such_file_or_directory || error == std::errc::not_a_directory)
        return L"the output folder does not exist";
    if (error == std::errc::is_a_directory || error == std::errc::directory_not_empty)
        return kFolderInTheWay;
    if (error == std::errc::file_exists)
        return kTargetAppeared;
    if (error == std::errc::filename_too_long)
        return L"the PDF's name is too long";
    return L"the PDF can't be written to the output folder";
}

std::wstring FromToolOutput(std::string_view output, std::string_view tool, std::string_view workFolder)
{
    std::string_view text = LastLineOf(output, std::string(tool) + ": ");
    // "mobi2html: /home/.../Velmora/tmpmobi...mobi: the book is encrypted":
    // the path is one of ours, whose names hold no ": ".
    if (!workFolder.empty() && text.substr(0, workFolder.size()) == workFolder) {
        const size_t end = text.find(": ", workFolder.size());
        text = end == std::string_view::npos ? std::string_view() : text.substr(end + 2);
    }
    if (text.empty() || (!workFolder.empty() && Contains(text, workFolder)))
        return std::wstring();
    if (Contains(text, "DRM"))
        return kDrm;
    const bool notMobi = Contains(text, "not a MOBI book");
    const bool damaged = Contains(text, "damaged");
    if (notMobi && damaged)
        return kDamagedOrNotMobi;
    if (notMobi)
        return kNotMobi;
    if (damaged)
        return kDamaged;
    if (Contains(text, "No space left on device") || Contains(text, "Disk quota exceeded"))
        return kDiskFull;
    return Shown(std::string(text));
}

std::wstring NoteFromToolOutput(std::string_view output, std::string_view tool)
{
    const std::string_view text = LastLineOf(output, std::string(tool) + " note: ");
    return text.empty() ? std::wstring() : Shown(std::string(text));
}

}  // namespace reasons
