#include "output_folder.h"

#include <algorithm>
#include <fstream>
#include <system_error>

namespace fs = std::filesystem;

OutputFolder::OutputFolder(fs::path root) : m_root(std::move(root)) {}

OutputFolder::~OutputFolder()
{
    if (m_bCommitted) return;
    std::error_code ignored;
    for (const fs::path& file : m_writtenFiles) fs::remove(file, ignored);
    // Newest first, so inner folders go before the folders holding them;
    // remove() leaves a folder alone unless it is empty.
    for (auto folder = m_madeFolders.rbegin(); folder != m_madeFolders.rend(); ++folder) fs::remove(*folder, ignored);
}

bool OutputFolder::Create(std::string& error) { return MakeFolders(m_root, error); }

bool OutputFolder::MakeFolders(const fs::path& folder, std::string& error)
{
    std::error_code ec;
    if (fs::is_directory(folder, ec)) return true;
    if (folder.has_parent_path() && folder.parent_path() != folder && !MakeFolders(folder.parent_path(), error))
        return false;
    if (!fs::create_directory(folder, ec) && !fs::is_directory(folder)) {
        error = "cannot create the folder " + PathText(folder) + ": " + (ec ? ec.message() : "a file of that name exists");
        return false;
    }
    m_madeFolders.push_back(folder);
    return true;
}

bool OutputFolder::WriteBytes(const fs::path& file, std::string_view bytes, std::string& error)
{
    if (!MakeFolders(file.parent_path(), error)) return false;
    if (std::find(m_writtenFiles.begin(), m_writtenFiles.end(), file) == m_writtenFiles.end())
        m_writtenFiles.push_back(file);
    std::ofstream out(file, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    out.close();
    if (!out) {
        error = "cannot write " + PathText(file);
        return false;
    }
    return true;
}

bool OutputFolder::WriteFile(const fs::path& relative, std::string_view bytes, std::string& error)
{
    return WriteBytes(m_root / relative, bytes, error);
}

bool OutputFolder::WriteFileWhole(const fs::path& relative, std::string_view bytes, std::string& error)
{
    const fs::path target = m_root / relative;
    fs::path temporary = target;
    temporary += ".part";
    if (!WriteBytes(temporary, bytes, error)) return false;
    std::error_code ec;
    fs::rename(temporary, target, ec);
    if (ec) {
        error = "cannot write " + PathText(target) + ": " + ec.message();
        return false;
    }
    std::replace(m_writtenFiles.begin(), m_writtenFiles.end(), temporary, target);
    return true;
}
