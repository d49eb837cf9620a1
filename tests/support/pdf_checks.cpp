#include "pdf_checks.h"

#include "run_program.h"

#include <regex>

std::string PdfText(const std::filesystem::path& pdf)
{
    return RunProgram("pdftotext", {"-enc", "UTF-8", pdf.string(), "-"}).output;
}

std::vector<std::pair<double, double>> PdfPageSizes(const std::filesystem::path& pdf)
{
    const std::string info = RunProgram("pdfinfo", {"-f", "1", "-l", "1000000", pdf.string()}).output;
    static const std::regex size(R"(Page +\d+ size:\s+([0-9.]+) x ([0-9.]+) pts)");
    std::vector<std::pair<double, double>> sizes;
    for (auto match = std::sregex_iterator(info.begin(), info.end(), size); match != std::sregex_iterator(); ++match)
        sizes.emplace_back(std::stod((*match)[1]), std::stod((*match)[2]));
    return sizes;
}

std::vector<std::pair<int, int>> PdfImageSizes(const std::filesystem::path& pdf)
{
    // page num type width height ..., after two lines of headings.
    const std::string list = RunProgram("pdfimages", {"-list", pdf.string()}).output;
    static const std::regex row(R"(\n\s*\d+\s+\d+\s+\w+\s+(\d+)\s+(\d+))");
    std::vector<std::pair<int, int>> sizes;
    for (auto match = std::sregex_iterator(list.begin(), list.end(), row); match != std::sregex_iterator(); ++match)
        sizes.emplace_back(std::stoi((*match)[1]), std::stoi((*match)[2]));
    return sizes;
}
