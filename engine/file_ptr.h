// An owned C stream, and opening one by path on every platform.
#pragma once

#include <cstdio>
#include <filesystem>
#include <memory>
#include <string>

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
