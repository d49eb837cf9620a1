#include "render_options.h"

#include "base/paths.h"

#include <charconv>
#include <string_view>
#include <vector>

namespace {

// A length in millimetres: a plain decimal number above zero, at most ten
// metres (a page larger than any printer's).
bool ParseMillimetres(std::string_view text, double& value)
{
    if (text.empty() || text.find_first_not_of("0123456789.") != std::string_view::npos) return false;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    return error == std::errc() && end == text.data() + text.size() && value > 0 && value <= 10000;
}

}  // namespace

std::optional<RenderOptions> ParseRenderOptions(int argc, char** argv, std::string& error)
{
    RenderOptions options;
    std::vector<std::string_view> files;
    for (int i = 1; i < argc; ++i) {
        const std::string_view argument = argv[i];
        if (argument == "--verbose") {
            options.verbose = true;
            continue;
        }
        if (argument == "--page-width" || argument == "--page-height" || argument == "--piece-kb") {
            if (i + 1 >= argc) {
                error = std::string(argument) + " needs a value";
                return std::nullopt;
            }
            const std::string_view value = argv[++i];
            if (argument == "--piece-kb") {
                std::size_t kb = 0;
                const auto [end, failed] = std::from_chars(value.data(), value.data() + value.size(), kb);
                if (failed != std::errc() || end != value.data() + value.size()) {
                    error = "--piece-kb wants a whole number, not " + std::string(value);
                    return std::nullopt;
                }
                options.pieceKb = kb;
                continue;
            }
            const bool width = argument == "--page-width";
            if (!ParseMillimetres(value, width ? options.pageWidth : options.pageHeight)) {
                error = std::string(argument) + " wants millimetres above 0 and up to 10000, not " + std::string(value);
                return std::nullopt;
            }
            (width ? options.pageWidthText : options.pageHeightText) = std::string(value);
        } else if (argument.starts_with("--") && argument.size() > 2) {
            error = "unknown option " + std::string(argument);
            return std::nullopt;
        } else {
            files.push_back(argument);
        }
    }
    if (files.size() != 2 || options.pageWidth == 0 || options.pageHeight == 0) {
        error = "usage: wkhtmltopdf --page-width MM --page-height MM INPUT OUTPUT";
        return std::nullopt;
    }
    options.input = PathFromText(files[0]);
    options.output = PathFromText(files[1]);
    return options;
}
