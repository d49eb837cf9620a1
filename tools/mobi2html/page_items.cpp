#include "page_items.h"

#include "html_elements.h"

#include <algorithm>

bool IsEmptyAnchor(const PageItem& start, const PageItem& end)
{
    return start.kind == ItemKind::StartTag && start.text == "a" && !start.link &&
           FindAttribute(start.attributes, "id") && end.kind == ItemKind::EndTag && end.text == "a";
}

std::vector<BreakOverrides> EdgeOverrides(const std::vector<PageItem>& items)
{
    std::vector<BreakOverrides> overrides(items.size());
    std::vector<std::size_t> open;  // start tags of the elements open at this point
    const auto nameOf = [&items](std::size_t i) { return std::string_view(items[i].text); };
    const auto contains = [](const std::vector<std::size_t>& list, std::size_t i) {
        return std::find(list.begin(), list.end(), i) != list.end();
    };

    std::size_t sectionStart = 0;
    std::size_t first = kNoItem, last = kNoItem;
    std::vector<std::size_t> openAtFirst, openAtLast;
    const auto closeSection = [&](std::size_t sectionEnd) {
        for (std::size_t j = sectionStart; j < sectionEnd; ++j) {
            if (items[j].kind != ItemKind::StartTag) continue;
            if (first == kNoItem || j <= first || j > last) overrides[j].noBreakBefore = true;
            if (first == kNoItem || j > last || (j < first && !contains(openAtFirst, j))) overrides[j].noBreakAfter = true;
        }
        for (const std::size_t j : openAtLast) overrides[j].noBreakAfter = true;
        if (last != kNoItem && items[last].kind == ItemKind::StartTag) overrides[last].noBreakAfter = true;
        sectionStart = sectionEnd + 1;
        first = last = kNoItem;
        openAtFirst.clear();
        openAtLast.clear();
    };

    for (std::size_t i = 0; i < items.size(); ++i) {
        const PageItem& item = items[i];
        if (item.kind == ItemKind::Break) {
            closeSection(i);
            continue;
        }
        if (item.kind == ItemKind::StartTag) CloseImpliedElements(open, item.text, nameOf);
        if (item.kind == ItemKind::StartTag && !item.voidElement) open.push_back(i);
        if (item.kind == ItemKind::EndTag) {
            const auto match = std::find_if(open.rbegin(), open.rend(),
                                            [&](std::size_t start) { return items[start].text == item.text; });
            if (match != open.rend()) open.erase(std::next(match).base(), open.end());
        }
        if (!item.visible) continue;
        if (first == kNoItem) {
            first = i;
            openAtFirst = open;
        }
        last = i;
        openAtLast = open;
    }
    closeSection(items.size());
    return overrides;
}

std::string HeadingLabel(const std::vector<PageItem>& items, std::size_t start)
{
    std::string label;
    for (std::size_t i = start + 1; i < items.size(); ++i) {
        const PageItem& item = items[i];
        if (item.kind == ItemKind::Break || (item.kind == ItemKind::EndTag && item.text == items[start].text)) break;
        if (item.kind == ItemKind::Markup) label += item.text;
    }
    return CollapseSpaces(label);
}

std::size_t FirstVisible(const std::vector<PageItem>& items)
{
    const auto first = std::find_if(items.begin(), items.end(), [](const PageItem& item) { return item.visible; });
    return first == items.end() ? kNoItem : static_cast<std::size_t>(first - items.begin());
}

bool StartsWithPicture(const std::vector<PageItem>& items, std::string_view path)
{
    const std::size_t first = FirstVisible(items);
    if (first == kNoItem) return false;
    const auto shows = [&](const PageItem& item, std::string_view attribute) {
        const HtmlAttribute* source = FindAttribute(item.attributes, attribute);
        return source && source->value == path;
    };
    const PageItem& item = items[first];
    if (item.text == "img") return shows(item, "src");
    if (item.text != "svg") return false;
    for (std::size_t i = first + 1; i < items.size(); ++i) {
        const PageItem& inner = items[i];
        if (inner.kind == ItemKind::EndTag && inner.text == "svg") break;
        if (inner.kind == ItemKind::StartTag && inner.text == "image" && (shows(inner, "xlink:href") || shows(inner, "href")))
            return true;
    }
    return false;
}

