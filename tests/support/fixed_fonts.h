// A fontconfig configuration that knows the DejaVu fonts alone, for tests
// whose outcome depends on which fonts the machine has: written into a
// folder of its own and named by FONTCONFIG_FILE for as long as the object
// lives (the programs a test runs inherit it).
#pragma once

#include "scoped_env.h"
#include "temp_dir.h"

#include <filesystem>
#include <string>

class DejaVuOnlyFonts {
public:
    DejaVuOnlyFonts() : m_written(Write(m_dir.path())), m_env("FONTCONFIG_FILE", File().string()) {}

    bool Written() const { return m_written; }
    std::filesystem::path File() const { return m_dir.path() / "fonts.conf"; }
    // "FONTCONFIG_FILE=...", for a program given its environment.
    std::string Variable() const { return "FONTCONFIG_FILE=" + File().string(); }

private:
    static bool Write(const std::filesystem::path& folder)
    {
        return WriteTextFile(folder / "fonts.conf",
                             "<?xml version=\"1.0\"?>\n<!DOCTYPE fontconfig SYSTEM \"fonts.dtd\">\n<fontconfig>\n"
                             "  <dir>/usr/share/fonts/truetype/dejavu</dir>\n"
                             "  <cachedir>" + (folder / "cache").string() + "</cachedir>\n"
                             "</fontconfig>\n");
    }

    TempDir m_dir;
    bool m_written;
    ScopedEnv m_env;
};
