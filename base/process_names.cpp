#include "process_names.h"

#include <atomic>
#include <chrono>
#include <cstdint>
#include <system_error>

namespace fs = std::filesystem;

namespace {

using NativeString = fs::path::string_type;

unsigned long NextSequence()
{
    static std::atomic<unsigned long> sequence{0};
    return ++sequence;
}

bool IsDigit(fs::path::value_type c) { return c >= '0' && c <= '9'; }
bool IsLetter(fs::path::value_type c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '_'; }

// Reads a run of decimal digits at `at`; false when there is none.
bool ReadNumber(const NativeString& text, size_t& at, unsigned long long& value)
{
    const size_t start = at;
    value = 0;
    while (at < text.size() && IsDigit(text[at]) && at - start < 19)
        value = value * 10 + static_cast<unsigned long long>(text[at++] - '0');
    return at > start && (at == text.size() || !IsDigit(text[at]));
}

bool ReadChar(const NativeString& text, size_t& at, char c)
{
    if (at >= text.size() || text[at] != static_cast<fs::path::value_type>(c))
        return false;
    ++at;
    return true;
}

bool ReadText(const NativeString& text, size_t& at, const char* expected)
{
    for (; *expected; ++expected) {
        if (!ReadChar(text, at, *expected))
            return false;
    }
    return true;
}

unsigned long ToPid(unsigned long long value)
{
    return value > 0 && value <= 0xFFFFFFFFull ? static_cast<unsigned long>(value) : 0;
}

template <typename ProcessOf, typename Remove>
void RemoveEntriesOfEndedProcesses(const fs::path& folder, ProcessOf processOf, Remove remove)
{
    std::error_code ec;
    for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
        const unsigned long pid = processOf(it->path().filename());
        if (pid != 0 && pid != CurrentProcessId() && ProcessHasEnded(pid))
            remove(it->path());
    }
}

}  // namespace


std::wstring MakeWorkNameStamp()
{
    using namespace std::chrono;
    const auto tick = duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
    return std::to_wstring(tick) + L"-" + std::to_wstring(CurrentProcessId()) + L"-" +
           std::to_wstring(NextSequence());
}

fs::path MakeStagedName()
{
    return ".corvale-" + std::to_string(CurrentProcessId()) + "-" + std::to_string(NextSequence()) + ".tmp";
}

unsigned long ProcessOfWorkName(const fs::path& name)
{
    const NativeString& text = name.native();
    size_t at = 0;
    while (at < text.size() && IsLetter(text[at]))
        ++at;
    unsigned long long tick = 0, pid = 0, sequence = 0;
    if (at == 0 || !ReadNumber(text, at, tick) || !ReadChar(text, at, '-') || !ReadNumber(text, at, pid) ||
        !ReadChar(text, at, '-') || !ReadNumber(text, at, sequence))
        return 0;
    return ToPid(pid);
}

unsigned long ProcessOfStagedName(const fs::path& name)
{
    const NativeString& text = name.native();
    size_t at = 0;
    unsigned long long pid = 0, sequence = 0;
    if (!ReadText(text, at, ".corvale-") || !ReadNumber(text, at, pid) || !ReadChar(text, at, '-') ||
        !ReadNumber(text, at, sequence) || !ReadText(text, at, ".tmp") || at != text.size())
        return 0;
    return ToPid(pid);
}

void RemoveWorkLeftovers(const fs::path& folder)
{
    RemoveEntriesOfEndedProcesses(folder, ProcessOfWorkName, [](const fs::path& entry) {
        std::error_code ec;
        fs::remove_all(entry, ec);  // removes links, never follows them
    });
}

void RemoveStagedLeftovers(const fs::path& folder)
{
    RemoveEntriesOfEndedProcesses(folder, ProcessOfStagedName, [](const fs::path& entry) {
        std::error_code ec;
        if (!fs::is_directory(fs::symlink_status(entry, ec)))
            fs::remove(entry, ec);
    });
}
