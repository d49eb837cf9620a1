// A file of its own in the temporary folder that a fuzz target writes each
// input into, for code that reads from a path; removed at the end.
#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>

class ScratchFile {
public:
    explicit ScratchFile(const char* suffix);
    ~ScratchFile();
    ScratchFile(const ScratchFile&) = delete;
    ScratchFile& operator=(const ScratchFile&) = delete;

    // Replaces the file's bytes; false when they could not be written.
    bool Write(const std::uint8_t* data, std::size_t size) const;
    const std::filesystem::path& Path() const { return m_path; }
    // A folder beside the file, for what the code under test writes.
    const std::filesystem::path& Folder() const { return m_folder; }

private:
    std::filesystem::path m_path;
    std::filesystem::path m_folder;
};
