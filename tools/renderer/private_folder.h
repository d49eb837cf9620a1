// New folders for the renderer's own files, made so that no other process
// can have put anything in them first.
#pragma once

#include <filesystem>
#include <string>

// Makes a new folder in `parent` whose name is `prefix` and random letters;
// false with `error` set.
bool MakeUniqueFolder(const std::filesystem::path& parent, const std::string& prefix, std::filesystem::path& made,
                      std::string& error);

// Makes `folder` (or keeps it when it is there) with access for its owner
// alone where the system has permission bits; false with `error` set.
bool MakeOwnerFolder(const std::filesystem::path& folder, std::string& error);
