// Windows has no mkdtemp: a random name is tried until CreateDirectoryW makes
// a folder that was not there (it fails on any existing entry, so nothing
// planted under a guessed name is ever taken for ours). The folder takes the
// access rules of the folder it is made in.
#include "private_folder.h"

#include <windows.h>

#include <random>
#include <system_error>

namespace {

std::string LastError() { return std::system_category().message(static_cast<int>(GetLastError())); }

}  // namespace

bool MakeUniqueFolder(const std::filesystem::path& parent, const std::string& prefix, std::filesystem::path& made,
                      std::string& error)
{
    static constexpr char kLetters[] = "abcdefghijklmnopqrstuvwxyz0123456789";
    std::random_device random;
    std::uniform_int_distribution<std::size_t> pick(0, sizeof kLetters - 2);
    for (int attempt = 0; attempt < 100; ++attempt) {
        std::string name = prefix;
        for (int i = 0; i < 8; ++i) name += kLetters[pick(random)];
        const std::filesystem::path folder = parent / name;
        if (CreateDirectoryW(folder.c_str(), nullptr)) {
            made = folder;
            return true;
        }
        if (GetLastError() != ERROR_ALREADY_EXISTS) {
            error = LastError();
            return false;
        }
    }
    error = "every name tried was taken";
    return false;
}

bool MakeOwnerFolder(const std::filesystem::path& folder, std::string& error)
{
    if (!CreateDirectoryW(folder.c_str(), nullptr) && GetLastError() != ERROR_ALREADY_EXISTS) {
        error = LastError();
        return false;
    }
    return true;
}
