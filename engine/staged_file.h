// Opening files by path on every platform, and writing a file so that it only
// appears under its name once it is complete.
#pragma once

#include <cstdio>
#include <filesystem>
#include <memory>
#include <string>
#include <system_error>

#ifdef _WIN32
#include <io.h>
#else
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

inline bool SyncToDisk(std::FILE* file)
{
#ifdef _WIN32
    return _commit(_fileno(file)) == 0;
#else
    return fsync(fileno(file)) == 0;
#endif
}

// Removes a file (or a symbolic link, never what it points to); folders are
// left alone.
inline void RemoveFileIfPresent(const std::filesystem::path& path)
{
    std::error_code ec;
    const auto status = std::filesystem::symlink_status(path, ec);
    if (ec || !std::filesystem::exists(status) || std::filesystem::is_directory(status))
        return;
    std::filesystem::remove(path, ec);
}

// A file written under a temporary name beside its target and renamed onto
// the target by Commit. Until then the target is untouched; a staged file
// that is never committed is removed.
class StagedFile {
public:
    explicit StagedFile(std::filesystem::path target) : target_(std::move(target)) {}
    StagedFile(const StagedFile&) = delete;
    StagedFile& operator=(const StagedFile&) = delete;
    ~StagedFile() { Discard(); }

    // Creates the temporary file (never an existing one); nullptr on failure.
    std::FILE* Open()
    {
        Discard();
        const auto folder = target_.parent_path();
        for (int attempt = 0; attempt < 100 && !file_; ++attempt) {
            auto name = folder / (".corvale-" + std::to_string(attempt) + ".tmp");
            file_ = OpenFile(name, "wbx");
            if (file_)
                temp_ = std::move(name);
        }
        return file_.get();
    }

    // Closes the temporary file and moves it onto the target, replacing an
    // existing one. False when anything failed; the temporary file is gone.
    // With `durable` the bytes reach the disk before the rename, so a crash
    // cannot leave the target empty.
    bool Commit(bool durable = false)
    {
        if (!file_)
            return false;
        bool written = std::fflush(file_.get()) == 0 && !std::ferror(file_.get());
        if (written && durable)
            written = SyncToDisk(file_.get());
        const bool closed = std::fclose(file_.release()) == 0;
        if (!written || !closed) {
            Discard();
            return false;
        }
        std::error_code ec;
        std::filesystem::rename(temp_, target_, ec);
        if (ec) {
            Discard();
            return false;
        }
        temp_.clear();
        return true;
    }

private:
    void Discard()
    {
        file_.reset();
        if (!temp_.empty()) {
            std::error_code ec;
            std::filesystem::remove(temp_, ec);
            temp_.clear();
        }
    }

    std::filesystem::path target_;
    std::filesystem::path temp_;
    FilePtr file_;
};
