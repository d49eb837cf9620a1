// What the renderer needs to know of the system it runs on, with a POSIX
// and a Windows half.
#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

// The system renderer's file name, and what to install when there is none.
extern const char* const kRendererFileName;
extern const char* const kInstallAdvice;

// A regular file this process may run.
bool IsProgramFile(const std::filesystem::path& path);

// The folders of PATH, in order (an empty entry is the current folder).
std::vector<std::filesystem::path> PathFolders();

// Where the system renderer's own installer puts it.
std::vector<std::filesystem::path> InstalledRendererPlaces();

// The environment variable `name` as a path; nullopt when it is unset or
// empty.
std::optional<std::filesystem::path> PathVariable(const char* name);

// This process's environment, NAME=value entries in UTF-8.
std::vector<std::string> CurrentEnvironment();
