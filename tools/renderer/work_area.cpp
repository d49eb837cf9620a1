#include "work_area.h"

#include "base/file_ptr.h"
#include "private_folder.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <sstream>
#include <system_error>

namespace fs = std::filesystem;

std::string SystemError() { return std::strerror(errno); }

bool ReadWholeFile(const fs::path& file, std::string& bytes)
{
    std::ifstream in(file, std::ios::binary);
    if (!in) return false;
    std::ostringstream text;
    text << in.rdbuf();
    if (in.bad()) return false;
    bytes = std::move(text).str();
    return true;
}

WorkArea::~WorkArea()
{
    std::error_code ignored;
    for (const fs::path& piece : m_pieces) fs::remove(piece, ignored);
    if (!m_folder.empty()) fs::remove_all(m_folder, ignored);
}

bool WorkArea::Create(const fs::path& pageFolder, std::string& error)
{
    if (!MakeUniqueFolder(pageFolder, ".wkhtmltopdf-", m_folder, error)) {
        error = "cannot make a folder beside the page: " + error;
        return false;
    }
    return true;
}

namespace {

// Writes `text` into the new file `path`, readable by the owner alone;
// `created` tells whether the file was made, whole or not.
bool WriteNewFile(const fs::path& path, const std::string& text, bool& created, std::string& error)
{
    FilePtr file = CreateNewFile(path);
    created = file != nullptr;
    if (!file || std::fwrite(text.data(), 1, text.size(), file.get()) != text.size() ||
        std::fclose(file.release()) != 0) {
        error = SystemError();
        return false;
    }
    return true;
}

}  // namespace

bool WorkArea::WritePiece(std::size_t number, const std::string& html, fs::path& written, std::string& error)
{
    const fs::path path = m_folder.parent_path() / (PieceStem() + std::to_string(number) + ".html");
    bool created = false;
    const bool whole = WriteNewFile(path, html, created, error);
    if (created) m_pieces.push_back(path);
    if (!whole) {
        error = "cannot write a piece of the page beside it: " + error;
        return false;
    }
    written = path;
    return true;
}

bool WorkArea::WriteFile(const std::string& name, const std::string& text, fs::path& written, std::string& error) const
{
    const fs::path path = m_folder / name;
    bool created = false;
    if (!WriteNewFile(path, text, created, error)) {
        error = "cannot write " + name + " in the renderer's folder: " + error;
        return false;
    }
    written = path;
    return true;
}

bool WorkArea::MakeRuntimeFolder(fs::path& made, std::string& error)
{
    made = m_folder / "runtime";
    if (!MakeOwnerFolder(made, error)) {
        error = "cannot make the renderer's runtime folder: " + error;
        return false;
    }
    return true;
}
