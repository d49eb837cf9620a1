#include "source_copy.h"

#include "job_reasons.h"
#include "base/paths.h"
#include "base/unique_fd.h"

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <filesystem>
#include <system_error>
#include <utility>
#include <vector>

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/types.h>

#ifdef _WIN32
#include <io.h>
#else
#include <unistd.h>
#endif

namespace {

constexpr size_t kChunk = 256 * 1024;

std::error_code LastError()
{
    return std::error_code(errno, std::generic_category());
}

#ifdef _WIN32
using FileStat = struct _stat64;
int StatPath(const std::filesystem::path& path, FileStat& info) { return _wstat64(path.c_str(), &info); }
int StatOpened(int fd, FileStat& info) { return _fstat64(fd, &info); }
int OpenForReading(const std::filesystem::path& path) { return _wopen(path.c_str(), _O_RDONLY | _O_BINARY); }
int CreateForWriting(const std::filesystem::path& path)
{
    return _wopen(path.c_str(), _O_WRONLY | _O_CREAT | _O_TRUNC | _O_BINARY, _S_IREAD | _S_IWRITE);
}
long long ReadSome(int fd, char* buffer, size_t size) { return _read(fd, buffer, static_cast<unsigned>(size)); }
long long WriteSome(int fd, const char* buffer, size_t size) { return _write(fd, buffer, static_cast<unsigned>(size)); }
#else
using FileStat = struct stat;
int StatPath(const std::filesystem::path& path, FileStat& info) { return stat(path.c_str(), &info); }
int StatOpened(int fd, FileStat& info) { return fstat(fd, &info); }
// O_NONBLOCK: should the entry have become a pipe or a device since it was
// looked at, opening it still returns at once.
int OpenForReading(const std::filesystem::path& path)
{
    return open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
}
int CreateForWriting(const std::filesystem::path& path)
{
    return open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
}
long long ReadSome(int fd, char* buffer, size_t size) { return read(fd, buffer, size); }
long long WriteSome(int fd, const char* buffer, size_t size) { return write(fd, buffer, size); }
#endif

// Why an entry of this type is no book; empty for a regular file.
std::wstring TypeReason(const FileStat& info)
{
    const auto type = info.st_mode & S_IFMT;
    if (type == S_IFREG)
        return std::wstring();
    if (type == S_IFDIR)
        return reasons::kSourceIsFolder;
    if (type == S_IFCHR)
        return reasons::kSourceIsDevice;
#ifndef _WIN32
    if (type == S_IFBLK)
        return reasons::kSourceIsDevice;
    if (type == S_IFIFO)
        return reasons::kSourceIsPipe;
    if (type == S_IFSOCK)
        return reasons::kSourceIsSocket;
#endif
    return reasons::kSourceIsNotAFile;
}

bool WriteAll(int fd, const char* data, size_t size, std::error_code& error)
{
    while (size > 0) {
        const long long n = WriteSome(fd, data, size);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            error = n < 0 ? LastError() : std::make_error_code(std::errc::io_error);
            return false;
        }
        data += n;
        size -= static_cast<size_t>(n);
    }
    return true;
}

// The copy itself; `reason` stays empty when a stop ended it.
bool Copy(const std::filesystem::path& from, const std::filesystem::path& to,
          const std::function<bool()>& stopRequested, std::wstring& reason)
{
    const auto fail = [&reason](std::wstring why) {
        reason = std::move(why);
        return false;
    };
    FileStat info{};
    if (StatPath(from, info) != 0)
        return fail(reasons::SourceUnreadable(LastError()));
    if (reason = TypeReason(info); !reason.empty())
        return false;
    const UniqueFd in(OpenForReading(from));
    if (!in || StatOpened(in.Get(), info) != 0)
        return fail(reasons::SourceUnreadable(LastError()));
    if (reason = TypeReason(info); !reason.empty())
        return false;

    UniqueFd out(CreateForWriting(to));
    if (!out)
        return fail(reasons::WorkFolderWrite(LastError()));
    std::vector<char> buffer(kChunk);
    auto remaining = static_cast<std::uint64_t>(info.st_size);
    while (remaining > 0) {
        if (stopRequested && stopRequested())
            return false;
        const long long n = ReadSome(in.Get(), buffer.data(), static_cast<size_t>(std::min<std::uint64_t>(remaining, kChunk)));
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            return fail(reasons::SourceUnreadable(LastError()));
        if (n == 0)
            break;  // the file became shorter meanwhile: what it holds is the book
        std::error_code error;
        if (!WriteAll(out.Get(), buffer.data(), static_cast<size_t>(n), error))
            return fail(reasons::WorkFolderWrite(error));
        remaining -= static_cast<std::uint64_t>(n);
    }
    if (out.Close() != 0)
        return fail(reasons::WorkFolderWrite(LastError()));
    return true;
}

}  // namespace

bool CopySourceFile(const std::wstring& source, const std::wstring& copy,
                    const std::function<bool()>& stopRequested, std::wstring& reason)
{
    reason.clear();
    const std::filesystem::path to = ToNativePath(copy);
    if (Copy(ToNativePath(source), to, stopRequested, reason))
        return true;
    std::error_code ec;
    std::filesystem::remove(to, ec);
    return false;
}
