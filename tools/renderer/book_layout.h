// The look of a printed book on any page size: margins and a text size that
// grow with the page's short side, so that A4 reads like a book set in 12
// points with margins of about 17 mm, and a small page gets smaller type
// and margins in proportion (but never below what stays readable).
#pragma once

#include "picture_limits.h"

#include <string>

struct BookLayout {
    double sideMarginMm = 0;    // left and right
    double topMarginMm = 0;
    double bottomMarginMm = 0;  // a little more than the top, as books have
    // The page's zoom: the renderer prints 1 CSS pixel at 0.5625 points, so
    // 4/3 prints pixels at their true size (96 per inch) and a 16-pixel
    // body text at 12 points.
    double zoom = 0;
};

BookLayout LayoutFor(PageSize page);

// The user style sheet of the pieces: the zoom, which outweighs the page's
// own, and `extra` rules.
std::string LayoutStyleSheet(const BookLayout& layout, const std::string& extra);

// How hard a piece's content is made to keep inside the text column. Every
// piece is rendered Ordinary first; one that the system's wkhtmltopdf had to
// shrink to fit is rendered again Wrapped, then Narrowed.
enum class FitLevel {
    Ordinary,  // long words of code and links may wrap; headings kept with their text
    Wrapped,   // any word may wrap, preformatted lines too, tables share the column
    Narrowed,  // no element wider than the column or moved out of it, no line kept from wrapping
};
inline constexpr FitLevel kStrongestFit = FitLevel::Narrowed;

// The rules of `level` (and of the levels below it) for the user style sheet.
std::string FitRules(FitLevel level);

// "12.5mm", as the system's wkhtmltopdf takes a length.
std::string Millimetres(double value);
