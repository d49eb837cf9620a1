// A temporary folder for one test, removed with everything in it at the end.
#pragma once

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <system_error>

class TempDir {
public:
    // `prefix` names the folder (it may hold non-ASCII letters, for tests of
    // such paths); six random characters follow it.
    explicit TempDir(const std::string& prefix = "corvale-test-")
    {
#ifdef _WIN32
        // No mkdtemp: names are tried until one is new.
        std::random_device random;
        for (int attempt = 0; attempt < 100 && m_path.empty(); ++attempt) {
            const std::string name = prefix + std::to_string(random() % 1000000);
            const std::filesystem::path folder =
                std::filesystem::temp_directory_path() / std::filesystem::path(std::u8string(name.begin(), name.end()));
            std::error_code error;
            if (std::filesystem::create_directory(folder, error))
                m_path = folder;
        }
#else
        std::string pattern = (std::filesystem::temp_directory_path() / (prefix + "XXXXXX")).string();
        if (char* made = mkdtemp(pattern.data()))
            m_path = made;
#endif
    }
    ~TempDir()
    {
        std::error_code error;
        std::filesystem::remove_all(m_path, error);
    }
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::filesystem::path& path() const { return m_path; }
    std::filesystem::path operator/(const std::string& name) const { return m_path / name; }

private:
    std::filesystem::path m_path;
};

inline bool WriteTextFile(const std::filesystem::path& file, const std::string& text)
{
    std::ofstream out(file, std::ios::binary);
    out << text;
    return static_cast<bool>(out);
}

inline std::string ReadTextFile(const std::filesystem::path& file)
{
    std::ifstream in(file, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// Makes a folder read-only for everyone, root included, for as long as it
// lives: the immutable attribute, which root's bypass of mode bits does not
// pass. Where the file system or the process may not set it, IsReadOnly()
// is false and the folder stays as it was.
class ReadOnlyFolder {
public:
    explicit ReadOnlyFolder(const std::filesystem::path& folder);
    ~ReadOnlyFolder();
    ReadOnlyFolder(const ReadOnlyFolder&) = delete;
    ReadOnlyFolder& operator=(const ReadOnlyFolder&) = delete;

    bool IsReadOnly() const { return m_bSet; }

private:
    std::filesystem::path m_folder;
    bool m_bSet = false;
};
