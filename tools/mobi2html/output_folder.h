// The folder a run writes into. What a run writes is removed again unless
// the run is committed, so a failed conversion leaves nothing of its own.
#pragma once

#include "base/paths.h"

#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

class OutputFolder {
public:
    explicit OutputFolder(std::filesystem::path root);
    ~OutputFolder();  // rolls back unless committed
    OutputFolder(const OutputFolder&) = delete;
    OutputFolder& operator=(const OutputFolder&) = delete;

    // Creates the folder and its missing parents; false with a reason on failure.
    bool Create(std::string& error);

    // Writes `bytes` to `relative` (a path inside the folder, its folders
    // made as needed), replacing a file of that name.
    bool WriteFile(const std::filesystem::path& relative, std::string_view bytes, std::string& error);

    // Like WriteFile, but through a temporary name renamed at the end, so the
    // file appears whole or not at all.
    bool WriteFileWhole(const std::filesystem::path& relative, std::string_view bytes, std::string& error);

    // Keeps everything written so far.
    void Commit() { m_bCommitted = true; }

private:
    bool MakeFolders(const std::filesystem::path& folder, std::string& error);
    bool WriteBytes(const std::filesystem::path& file, std::string_view bytes, std::string& error);

    std::filesystem::path m_root;
    std::vector<std::filesystem::path> m_madeFolders;  // in the order they were made
    std::vector<std::filesystem::path> m_writtenFiles;
    bool m_bCommitted = false;
};
