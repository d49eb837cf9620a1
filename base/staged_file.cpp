#include "staged_file.h"

#include "process_names.h"
#include "unique_fd.h"

#include <cerrno>

#ifdef _WIN32
#include <windows.h>
#else
#include <fcntl.h>
#include <sys/stat.h>
#endif

namespace fs = std::filesystem;

namespace {

std::error_code LastError()
{
    return std::error_code(errno, std::generic_category());
}

#ifdef _WIN32

// Creates `name` for writing, failing when it exists.
FilePtr CreateNew(const fs::path& name, const fs::path&, std::error_code& error)
{
    FilePtr file(_wfopen(name.c_str(), L"wbx"));
    if (!file)
        error = LastError();
    return file;
}

std::error_code MoveWithoutReplacing(const fs::path& from, const fs::path& to)
{
    if (MoveFileExW(from.c_str(), to.c_str(), MOVEFILE_WRITE_THROUGH))
        return {};
    const DWORD code = GetLastError();
    if (code == ERROR_ALREADY_EXISTS || code == ERROR_FILE_EXISTS)
        return std::make_error_code(std::errc::file_exists);
    return std::error_code(static_cast<int>(code), std::system_category());
}

#else

// Creates `name` for writing, failing when it exists, with the permission
// bits of a regular file at `target` when there is one. Where the bits
// cannot be set, the file is only kept if it is no more open to others
// than the old one was.
FilePtr CreateNew(const fs::path& name, const fs::path& target, std::error_code& error)
{
    struct stat old {};
    const bool keepMode = lstat(target.c_str(), &old) == 0 && S_ISREG(old.st_mode);
    UniqueFd fd(open(name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666));
    if (!fd) {
        error = LastError();
        return nullptr;
    }
    if (keepMode && fchmod(fd.Get(), old.st_mode & 0777) != 0) {
        struct stat made {};
        if (fstat(fd.Get(), &made) != 0 || (made.st_mode & 0777 & ~old.st_mode) != 0) {
            error = LastError();
            fd.Close();
            unlink(name.c_str());
            return nullptr;
        }
    }
    FilePtr file(fdopen(fd.Get(), "wb"));
    if (!file) {
        error = LastError();
        fd.Close();
        unlink(name.c_str());
        return nullptr;
    }
    fd.Release();  // the stream owns it now
    return file;
}

bool IsUnsupported(int code)
{
    return code == EINVAL || code == ENOSYS || code == EOPNOTSUPP || code == EPERM;
}

// Gives the file at `from` the name `to` only when nothing is there yet, in
// one step the file system checks: renameat2 where it is supported, else a
// hard link (which fails when the name is taken) and the removal of the old
// name. Only where neither exists (some network shares) does a look before
// an ordinary rename remain.
std::error_code MoveWithoutReplacing(const fs::path& from, const fs::path& to)
{
#ifdef RENAME_NOREPLACE
    if (renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0)
        return {};
    if (!IsUnsupported(errno))
        return LastError();
#endif
    if (link(from.c_str(), to.c_str()) == 0) {
        unlink(from.c_str());
        return {};
    }
    if (!IsUnsupported(errno))
        return LastError();
    struct stat existing {};
    if (lstat(to.c_str(), &existing) == 0)
        return std::make_error_code(std::errc::file_exists);
    if (rename(from.c_str(), to.c_str()) != 0)
        return LastError();
    return {};
}

#endif

}  // namespace

std::FILE* StagedFile::Open()
{
    Discard();
    m_error.clear();
    const fs::path folder = m_target.parent_path();
    RemoveStagedLeftovers(folder.empty() ? fs::path(".") : folder);
    // The name is this process's own; one that exists all the same (another
    // machine's process on a shared folder) is passed over for the next.
    for (;;) {
        fs::path name = folder / MakeStagedName();
        std::error_code error;
        m_file = CreateNew(name, m_target, error);
        if (m_file) {
            m_temp = std::move(name);
            return m_file.get();
        }
        if (error != std::errc::file_exists) {
            m_error = error;
            return nullptr;
        }
    }
}

bool StagedFile::Commit(bool durable, ExistingTarget existing)
{
    if (!m_file)
        return Fail(m_error ? m_error : std::make_error_code(std::errc::bad_file_descriptor));
    errno = 0;
    bool written = std::fflush(m_file.get()) == 0 && !std::ferror(m_file.get());
    if (written && durable)
        written = SyncToDisk(m_file.get());
    std::error_code error = written ? std::error_code() : LastError();
    if (std::fclose(m_file.release()) != 0 && !error)
        error = LastError();
    if (!written || error)
        return Fail(error ? error : std::make_error_code(std::errc::io_error));

    if (existing == ExistingTarget::kReplace)
        std::filesystem::rename(m_temp, m_target, error);
    else
        error = MoveWithoutReplacing(m_temp, m_target);
    if (error)
        return Fail(error);
    m_temp.clear();
    return true;
}

bool StagedFile::Fail(std::error_code error)
{
    Discard();
    m_error = error;
    return false;
}

void StagedFile::Discard()
{
    m_file.reset();
    if (!m_temp.empty()) {
        std::error_code ec;
        std::filesystem::remove(m_temp, ec);
        m_temp.clear();
    }
}
