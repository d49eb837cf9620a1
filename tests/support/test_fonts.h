// The fonts the tests render with. Where a page breaks, and so what a page
// holds, depends on the fonts that set it; every test runs with
// FONTCONFIG_FILE naming a configuration of DejaVu's fonts alone, whatever
// else the machine has (tests/support/fonts_conf.cmake makes it, and
// corvale_add_test sets it in each test's environment). The system's
// wkhtmltopdf inherits it through our renderer.
//
// A test that needs more fonts makes a configuration of its own in CMake,
// corvale_fonts_conf(VAR NAME FOLDERS...), passes its path as a definition,
// and sets FONTCONFIG_FILE to it for the programs it runs (ScopedFonts).
#pragma once

#include "scoped_env.h"

#include <filesystem>
#include <string>

inline std::filesystem::path FixedFontsConfig() { return CORVALE_TEST_FONTS_CONF; }

// DejaVu and a font for Chinese, Japanese and Korean (the one that
// scripts/install-deps.sh installs), for tests of what such a font draws.
inline std::filesystem::path CjkFontsConfig() { return CORVALE_TEST_CJK_FONTS_CONF; }

// "FONTCONFIG_FILE=..." for a program's environment.
inline std::string FixedFontsVariable() { return "FONTCONFIG_FILE=" + FixedFontsConfig().string(); }

// FONTCONFIG_FILE set to `config` for as long as the object lives, for this
// process and the programs it starts: a test binary run by hand, outside
// CTest, still sees the fonts its test was written for.
class ScopedFonts {
public:
    explicit ScopedFonts(const std::filesystem::path& config = FixedFontsConfig())
        : m_env("FONTCONFIG_FILE", config.string()) {}

private:
    ScopedEnv m_env;
};
