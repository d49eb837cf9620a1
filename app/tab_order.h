// The keyboard's way through a window: its controls in reading order, top
// row first and each row from left to right, as their places on it give.
#pragma once

#include <cstddef>
#include <span>
#include <vector>

#include <wx/gdicmn.h>

class wxWindow;

// Indices of `rects` in reading order. Rows are taken from the top: each one
// is the highest rectangle not yet placed (the leftmost of equally high ones)
// and every rectangle left whose height overlaps it by at least half of the
// smaller height; a row's members go from left to right. Equal places keep
// their given order.
std::vector<size_t> ReadingOrder(std::span<const wxRect> rects);

// Puts the children of `parent` (not the top-level ones) into the tab order
// that their rectangles' reading order gives, moving none when it already
// holds.
void OrderTabsByPosition(wxWindow& parent);
