#include "temp_dir.h"

#include <fcntl.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <unistd.h>

namespace {

bool SetImmutable(const std::filesystem::path& folder, bool immutable)
{
    const int fd = open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        return false;
    int flags = 0;
    bool done = ioctl(fd, FS_IOC_GETFLAGS, &flags) == 0;
    if (done) {
        flags = immutable ? (flags | FS_IMMUTABLE_FL) : (flags & ~FS_IMMUTABLE_FL);
        done = ioctl(fd, FS_IOC_SETFLAGS, &flags) == 0;
    }
    close(fd);
    return done;
}

}  // namespace

ReadOnlyFolder::ReadOnlyFolder(const std::filesystem::path& folder) : m_folder(folder)
{
    m_bSet = SetImmutable(m_folder, true);
}

ReadOnlyFolder::~ReadOnlyFolder()
{
    if (m_bSet)
        SetImmutable(m_folder, false);
}
