#include "private_folder.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <sys/stat.h>

bool MakeUniqueFolder(const std::filesystem::path& parent, const std::string& prefix, std::filesystem::path& made,
                      std::string& error)
{
    std::string pattern = (parent / (prefix + "XXXXXX")).string();
    if (!mkdtemp(pattern.data())) {
        error = std::strerror(errno);
        return false;
    }
    made = pattern;
    return true;
}

bool MakeOwnerFolder(const std::filesystem::path& folder, std::string& error)
{
    if (mkdir(folder.c_str(), 0700) != 0 && errno != EEXIST) {
        error = std::strerror(errno);
        return false;
    }
    chmod(folder.c_str(), 0700);  // whatever the umask
    return true;
}
