// The system's wkhtmltopdf and how it is run for one piece: off screen,
// UTF-8, no JavaScript, no plug-ins, no network and no name lookups (every
// host goes to a proxy at port 0 of the loopback address, where nothing can
// listen), local files only from the page's folder, and a picture that
// fails to load not failing the page.
#pragma once

#include "book_layout.h"

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

// Set in the system renderer's environment: a copy of this program found in
// its place would otherwise start itself over and over.
inline constexpr const char* kNestedVariable = "CORVALE_RENDERER_CHILD";

// Names the system renderer to use, ahead of every other place.
inline constexpr const char* kRendererVariable = "CORVALE_WKHTMLTOPDF";

// The system renderer: the program CORVALE_WKHTMLTOPDF names, else the first
// wkhtmltopdf on PATH, then in the place its own installer puts it
// (/usr/bin and /usr/local/bin; %ProgramFiles%\wkhtmltopdf\bin on Windows),
// that is a program file and not this program. nullopt when there is none,
// with `missing` telling what is wrong and what to install.
std::optional<std::filesystem::path> FindSystemRenderer(std::string& missing);

struct RendererSetup {
    std::filesystem::path program;
    std::vector<std::string> options;      // everything before the page and the PDF
    std::vector<std::string> environment;  // NAME=value, the whole environment
};

// The page's size (millimetres, as given on the command line) and margins,
// and the user style sheet every piece is rendered with.
struct PageSetup {
    std::string width;
    std::string height;
    BookLayout layout;
    std::filesystem::path styleSheet;
};

// The setup for pages in `pageFolder`, with Qt's runtime files in
// `runtimeFolder`.
RendererSetup MakeRendererSetup(const std::filesystem::path& program, const std::filesystem::path& pageFolder,
                                const PageSetup& page, const std::filesystem::path& runtimeFolder);
