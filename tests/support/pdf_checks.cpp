#include "pdf_checks.h"

#include <array>
#include <cstdio>
#include <memory>
#include <regex>

namespace {

std::string Quote(const std::filesystem::path& path)
{
    std::string quoted = "'";
    for (const char c : path.string()) quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return quoted + "'";
}

std::string Capture(const std::string& command)
{
    std::unique_ptr<FILE, int (*)(FILE*)> pipe(popen(command.c_str(), "r"), pclose);
    std::string out;
    if (!pipe) return out;
    std::array<char, 4096> buffer;
    std::size_t n;
    while ((n = std::fread(buffer.data(), 1, buffer.size(), pipe.get())) > 0) out.append(buffer.data(), n);
    return out;
}

}  // namespace

std::string PdfText(const std::filesystem::path& pdf)
{
    return Capture("pdftotext -enc UTF-8 " + Quote(pdf) + " - 2>/dev/null");
}

std::vector<std::pair<double, double>> PdfPageSizes(const std::filesystem::path& pdf)
{
    const std::string info = Capture("pdfinfo -f 1 -l 1000000 " + Quote(pdf) + " 2>/dev/null");
    static const std::regex size(R"(Page +\d+ size:\s+([0-9.]+) x ([0-9.]+) pts)");
    std::vector<std::pair<double, double>> sizes;
    for (auto match = std::sregex_iterator(info.begin(), info.end(), size); match != std::sregex_iterator(); ++match)
        sizes.emplace_back(std::stod((*match)[1]), std::stod((*match)[2]));
    return sizes;
}

std::vector<std::pair<int, int>> PdfImageSizes(const std::filesystem::path& pdf)
{
    // page num type width height ..., after two lines of headings.
    const std::string list = Capture("pdfimages -list " + Quote(pdf) + " 2>/dev/null");
    static const std::regex row(R"(\n\s*\d+\s+\d+\s+\w+\s+(\d+)\s+(\d+))");
    std::vector<std::pair<int, int>> sizes;
    for (auto match = std::sregex_iterator(list.begin(), list.end(), row); match != std::sregex_iterator(); ++match)
        sizes.emplace_back(std::stoi((*match)[1]), std::stoi((*match)[2]));
    return sizes;
}
