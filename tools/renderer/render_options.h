// The renderer's command line:
//   wkhtmltopdf --page-width W --page-height H [--piece-kb N] [--verbose] INPUT OUTPUT
// W and H are in millimetres. For the benchmark: --piece-kb sets the
// heaviest piece in KB (0: the page in one piece), --verbose prints the
// pieces and the time of each stage on standard output.
#pragma once

#include <filesystem>
#include <optional>
#include <string>

struct RenderOptions {
    double pageWidth = 0;   // millimetres
    double pageHeight = 0;
    std::string pageWidthText;   // as given, for the system's wkhtmltopdf
    std::string pageHeightText;
    std::optional<std::size_t> pieceKb;
    bool verbose = false;
    std::filesystem::path input;
    std::filesystem::path output;
};

// The options of `argv`, or nullopt with `error` set.
std::optional<RenderOptions> ParseRenderOptions(int argc, char** argv, std::string& error);
