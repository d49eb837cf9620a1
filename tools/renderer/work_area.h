// The renderer's own files, all inside the page's folder, removed with
// everything in them when the work area goes: a private folder (the pieces'
// PDFs, reduced pictures, the system renderer's runtime folder) and the
// pieces' pages, which must stand beside the page so that its relative
// references still lead to its pictures.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

class WorkArea {
public:
    WorkArea() = default;
    ~WorkArea();
    WorkArea(const WorkArea&) = delete;
    WorkArea& operator=(const WorkArea&) = delete;

    // Makes the private folder in `pageFolder`; false with `error` set.
    bool Create(const std::filesystem::path& pageFolder, std::string& error);

    const std::filesystem::path& Folder() const { return m_folder; }
    // The private folder as a reference from the page (a relative URL).
    std::string FolderReference() const { return m_folder.filename().string(); }
    std::string PieceStem() const { return m_folder.filename().string() + "-"; }

    // Writes piece `number` (1-based) of the page beside it, into a file
    // whose name starts with PieceStem(); false with `error` set.
    bool WritePiece(std::size_t number, const std::string& html, std::filesystem::path& written, std::string& error);

    // Writes a new file `name` into the private folder; false with `error`
    // set.
    bool WriteFile(const std::string& name, const std::string& text, std::filesystem::path& written,
                   std::string& error) const;

    // A folder for the system renderer's runtime files, readable by the
    // owner alone, as Qt demands.
    bool MakeRuntimeFolder(std::filesystem::path& made, std::string& error);

private:
    std::filesystem::path m_folder;
    std::vector<std::filesystem::path> m_pieces;
};

// The reason of the last failed system call, as a plain text.
std::string SystemError();

// The whole of `file` into `bytes`; false when it can't be opened or read,
// with SystemError() telling why.
bool ReadWholeFile(const std::filesystem::path& file, std::string& bytes);
