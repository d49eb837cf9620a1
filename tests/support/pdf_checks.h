// What a PDF holds, read back with poppler's command-line tools.
#pragma once

#include <filesystem>
#include <string>
#include <utility>
#include <vector>

// The PDF's text in reading order (pdftotext), pages ended by form feeds.
std::string PdfText(const std::filesystem::path& pdf);

// The size of every page in points (pdfinfo), in order.
std::vector<std::pair<double, double>> PdfPageSizes(const std::filesystem::path& pdf);

// The width and height in pixels of every picture the PDF shows (pdfimages
// -list), in order.
std::vector<std::pair<int, int>> PdfImageSizes(const std::filesystem::path& pdf);
