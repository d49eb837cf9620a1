// Whether the system's wkhtmltopdf drew a piece at the layout's size. When
// an element is wider than the text column it lays the whole piece out
// wider, up to twice, and draws it smaller to fit the page: every page's
// drawing then starts with a smaller scale than the usual one.
#pragma once

#include <filesystem>
#include <optional>
#include <string_view>

// The scale of the first drawing after the page's clip on the first page
// of `pdf`, as its content stream sets it ("s 0 0 s 0 0 cm" after "W* n");
// nullopt when the PDF cannot be read or holds no such drawing.
std::optional<double> DrawingScale(const std::filesystem::path& pdf);

// The same, read from a page's content stream.
std::optional<double> DrawingScaleOf(std::string_view content);

// Whether a piece drawn at `scale` was shrunk to fit. The renderer lays a
// page out 1.25 times as wide as it prints and Qt draws it at 0.96, so a
// page at its size has 0.768, a shrunk one down to half of that.
bool IsShrunk(double scale);
