#include "tab_order.h"

#include <algorithm>
#include <numeric>

#include <wx/window.h>

namespace {

// Controls of one row are seldom of one height, nor exactly level.
bool ShareARow(const wxRect& a, const wxRect& b)
{
    const int overlap = std::min(a.GetBottom(), b.GetBottom()) - std::max(a.GetTop(), b.GetTop()) + 1;
    return overlap > 0 && 2 * overlap >= std::min(a.height, b.height);
}

}  // namespace

std::vector<size_t> ReadingOrder(std::span<const wxRect> rects)
{
    std::vector<size_t> byTop(rects.size());
    std::iota(byTop.begin(), byTop.end(), size_t{0});
    std::stable_sort(byTop.begin(), byTop.end(), [&](size_t a, size_t b) {
        return rects[a].y != rects[b].y ? rects[a].y < rects[b].y : rects[a].x < rects[b].x;
    });

    std::vector<size_t> order;
    std::vector<bool> placed(rects.size(), false);
    for (size_t first : byTop) {
        if (placed[first])
            continue;
        // The row of the highest rectangle left: every one left that shares
        // it, wherever it comes in the sorting by top.
        std::vector<size_t> row;
        for (size_t i : byTop) {
            if (!placed[i] && (i == first || ShareARow(rects[first], rects[i]))) {
                row.push_back(i);
                placed[i] = true;
            }
        }
        std::stable_sort(row.begin(), row.end(), [&](size_t a, size_t b) { return rects[a].x < rects[b].x; });
        order.insert(order.end(), row.begin(), row.end());
    }
    return order;
}

void OrderTabsByPosition(wxWindow& parent)
{
    std::vector<wxWindow*> controls;
    std::vector<wxRect> rects;
    for (wxWindow* child : parent.GetChildren()) {
        if (!child->IsTopLevel()) {
            controls.push_back(child);
            rects.push_back(child->GetRect());
        }
    }

    std::vector<wxWindow*> wanted;
    for (size_t i : ReadingOrder(rects))
        wanted.push_back(controls[i]);
    if (wanted == controls)
        return;

    // Only the relative order of the controls matters; top-level children
    // (dialogs owned by the window) may end up anywhere among them.
    if (wanted.front() != controls.front())
        wanted.front()->MoveBeforeInTabOrder(controls.front());
    for (size_t i = 1; i < wanted.size(); ++i)
        wanted[i]->MoveAfterInTabOrder(wanted[i - 1]);
}
