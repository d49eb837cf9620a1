// Writing a file so that it only appears under its name once it is complete.
#pragma once

#include "file_ptr.h"

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
// that is never committed is removed. The temporary name is hidden and
// carries this process's id, so a file that a killed process left behind is
// recognised and removed the next time a file is staged in that folder.
class StagedFile {
public:
    enum class ExistingTarget { kReplace, kKeep };

    explicit StagedFile(std::filesystem::path target) : m_target(std::move(target)) {}
    StagedFile(const StagedFile&) = delete;
    StagedFile& operator=(const StagedFile&) = delete;
    ~StagedFile() { Discard(); }

    // Creates the temporary file (never an existing one). It takes the
    // permission bits of a regular file at the target; a new file gets the
    // default ones. nullptr on failure, with Error() telling why.
    std::FILE* Open();

    // Closes the temporary file and moves it onto the target. An entry at the
    // target is replaced (the entry itself: a link is never written through),
    // or with kKeep left as it is, the commit then failing with
    // errc::file_exists. With `durable` the bytes reach the disk before the
    // rename, so a crash cannot leave the target empty. False when anything
    // failed; the temporary file is gone and Error() tells why.
    bool Commit(bool durable = false, ExistingTarget existing = ExistingTarget::kReplace);

    // Why Open or Commit failed.
    const std::error_code& Error() const { return m_error; }

private:
    void Discard();
    bool Fail(std::error_code error);

    std::filesystem::path m_target;
    std::filesystem::path m_temp;
    FilePtr m_file;
    std::error_code m_error;
};
