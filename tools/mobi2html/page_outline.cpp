#include "page_outline.h"

#include "html_tokens.h"

namespace {

void ResolveInto(const std::vector<TocEntry>& toc, PageIds& ids, std::vector<NavEntry>& out)
{
    for (const TocEntry& entry : toc) {
        std::optional<std::string> id;
        if (const std::optional<LinkTarget> target = ids.TargetOf(0, entry.target)) id = ids.Resolve(*target);
        if (!id || entry.label.empty()) {
            ResolveInto(entry.children, ids, out);
            continue;
        }
        NavEntry nav{EscapeHtml(entry.label), *id, {}};
        ResolveInto(entry.children, ids, nav.children);
        out.push_back(std::move(nav));
    }
}

void AppendList(const std::vector<NavEntry>& entries, std::string& out)
{
    out += "<ol>";
    for (const NavEntry& entry : entries) {
        out += "<li><a href=\"#" + entry.id + "\">" + entry.label + "</a>";
        if (!entry.children.empty()) AppendList(entry.children, out);
        out += "</li>";
    }
    out += "</ol>";
}

}  // namespace

std::vector<NavEntry> ResolveToc(const std::vector<TocEntry>& toc, PageIds& ids)
{
    std::vector<NavEntry> entries;
    ResolveInto(toc, ids, entries);
    return entries;
}

std::vector<NavEntry> OutlineOfHeadings(const std::vector<Heading>& headings)
{
    std::vector<NavEntry> roots;
    // The open path: levels and the child list each entry's children go to.
    std::vector<std::pair<int, std::vector<NavEntry>*>> path;
    for (const Heading& heading : headings) {
        while (!path.empty() && path.back().first >= heading.level) path.pop_back();
        std::vector<NavEntry>& siblings = path.empty() ? roots : *path.back().second;
        siblings.push_back({heading.label, heading.id, {}});
        path.emplace_back(heading.level, &siblings.back().children);
    }
    return roots;
}

std::string FormatNav(const std::vector<NavEntry>& entries)
{
    std::string nav = "<nav id=\"" + std::string(kContentsNavId) + "\" hidden style=\"display:none\">";
    if (!entries.empty()) AppendList(entries, nav);
    nav += "</nav>";
    return nav;
}
