// The fonts the tests render with. Where a page breaks, and so what a page
// holds, depends on the fonts that set it; every test runs with
// FONTCONFIG_FILE naming a configuration of DejaVu's fonts alone, whatever
// else the machine has (tests/support/fonts_conf.cmake makes it, and
// corvale_add_test sets it in each test's environment). The system's
// wkhtmltopdf inherits it through our renderer.
//
// A test that needs more fonts (for Chinese, say) makes a configuration of
// its own in CMake, corvale_fonts_conf(VAR NAME FOLDERS...), passes its path
// as a definition, and sets FONTCONFIG_FILE to it for the programs it runs
// (RunRenderer's `environment`, or ScopedEnv).
#pragma once

#include <filesystem>
#include <string>

inline std::filesystem::path FixedFontsConfig() { return CORVALE_TEST_FONTS_CONF; }

// "FONTCONFIG_FILE=..." for a program's environment.
inline std::string FixedFontsVariable() { return "FONTCONFIG_FILE=" + FixedFontsConfig().string(); }
