#include "cli_options.h"

#include "settings/options.h"

#include <charconv>
#include <cstring>

const char* const kCliUsage =
    "Usage: corvale-convert [--page-width MM] [--page-height MM]\n"
    "                       [--output-folder DIR | --same-folder] [--replace] BOOK...\n"
    "       corvale-convert --help | --version\n"
    "\n"
    "Converts MOBI books into PDF files, one after another.\n"
    "  --page-width MM      page width in millimetres, 26 to 1500 (default 210)\n"
    "  --page-height MM     page height in millimetres, 26 to 1500 (default 297)\n"
    "  --output-folder DIR  write every PDF into DIR\n"
    "  --same-folder        write each PDF beside its book (the default)\n"
    "  --replace            replace existing PDF files (they are kept otherwise)\n"
    "  -h, --help           display this help and exit\n"
    "  --version            output version information and exit\n"
    "Exit status: 0 when every book was converted, 1 otherwise, 2 on a usage error.\n";

namespace {

bool ParseMillimetres(const char* text, int& value)
{
    const char* end = text + std::strlen(text);
    auto [rest, error] = std::from_chars(text, end, value);
    return error == std::errc() && rest == end && IsPageMeasurementInRange(value);
}

}  // namespace

bool ParseCliOptions(int argc, const char* const argv[], CliOptions& options, std::string& error)
{
    bool outputChosen = false, sameChosen = false, onlyBooks = false;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        const bool hasValue = i + 1 < argc;
        if (onlyBooks || arg.empty() || arg[0] != '-' || arg == "-") {
            options.books.push_back(arg);
        } else if (arg == "--") {
            onlyBooks = true;
        } else if (arg == "--help" || arg == "-h") {
            options.help = true;
        } else if (arg == "--version") {
            options.version = true;
        } else if (arg == "--replace") {
            options.replace = true;
        } else if (arg == "--same-folder") {
            sameChosen = true;
            options.sameFolder = true;
        } else if (arg == "--output-folder") {
            if (!hasValue) {
                error = "--output-folder needs a folder";
                return false;
            }
            outputChosen = true;
            options.sameFolder = false;
            options.outputFolder = argv[++i];
        } else if (arg == "--page-width" || arg == "--page-height") {
            int& value = arg == "--page-width" ? options.pageWidth : options.pageHeight;
            if (!hasValue || !ParseMillimetres(argv[++i], value)) {
                error = arg + " needs a whole number of millimetres from 26 to 1500";
                return false;
            }
        } else {
            error = "unknown option " + arg;
            return false;
        }
    }
    if (outputChosen && sameChosen) {
        error = "--output-folder and --same-folder exclude each other";
        return false;
    }
    if (options.books.empty() && !options.help && !options.version) {
        error = "no book given";
        return false;
    }
    return true;
}
