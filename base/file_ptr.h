// An owned C stream, and opening one by path on every platform.
#pragma once

#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <string>

#ifndef _WIN32
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

struct FileCloser {
    void operator()(std::FILE* file) const noexcept { std::fclose(file); }
};
using FilePtr = std::unique_ptr<std::FILE, FileCloser>;

// fopen through the platform's own path type, so any file name works.
inline FilePtr OpenFile(const std::filesystem::path& path, const char* mode)
{
#ifdef _WIN32
    std::wstring wideMode(mode, mode + std::char_traits<char>::length(mode));
    return FilePtr(_wfopen(path.c_str(), wideMode.c_str()));
#else
    return FilePtr(std::fopen(path.c_str(), mode));
#endif
}

// Creates `path` for writing, failing when any entry is there already (a
// link too, dangling or not); where the platform has permission bits, only
// the owner may read it. errno tells why it failed.
inline FilePtr CreateNewFile(const std::filesystem::path& path)
{
#ifdef _WIN32
    return FilePtr(_wfopen(path.c_str(), L"wbx"));
#else
    const int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    if (fd < 0)
        return nullptr;
    FilePtr file(fdopen(fd, "wb"));
    if (!file) {
        const int error = errno;
        close(fd);
        errno = error;
    }
    return file;
#endif
}

// Opens `path` for reading only when it is a regular file: a pipe or a device
// put in a file's place would block the reader or never end.
inline FilePtr OpenRegularFile(const std::filesystem::path& path)
{
#ifdef _WIN32
    std::error_code error;
    if (!std::filesystem::is_regular_file(path, error)) return nullptr;
    return OpenFile(path, "rb");
#else
    // Non-blocking, so that opening a pipe returns at once; checked on the
    // descriptor itself, so nothing can be swapped in between.
    const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) return nullptr;
    struct stat info {};
    FilePtr stream;
    if (fstat(fd, &info) == 0 && S_ISREG(info.st_mode)) stream.reset(fdopen(fd, "rb"));
    if (!stream) close(fd);
    return stream;
#endif
}
