// The ids of the one page that all the book's parts become, and where the
// book's own references lead in it. Each part of a KF8 book is a document of
// its own, so two parts may use the same id; in the page every id is unique,
// and a reference is resolved in the part it was written in.
#pragma once

#include <cstddef>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

// Ids that can stand in href="#..." and in a selector as they are. Others
// (spaces, quotes, entities, non-ASCII) are replaced by ids the page makes.
bool IsPlainId(std::string_view id);

// A place in the book: an id of one part, or the part's start.
struct LinkTarget {
    std::size_t part = 0;
    std::string fragment;  // as written in the book; empty for the start of the part
};

class PageIds {
public:
    // `partNames` are the file names the book's links use for its parts.
    explicit PageIds(std::vector<std::string> partNames) : m_partNames(std::move(partNames)) {}

    // Keeps an id of the page's own from being given to anything of the book.
    void Reserve(const std::string& id) { m_used.insert(id); }

    // The page id for `id` of part `part`: `id` itself unless the page
    // already holds it, else `id` with a number appended. References to
    // `id` in that part lead to its first holder.
    std::string Add(std::size_t part, std::string_view id);

    // Where a reference written in part `part` leads ("#id", "name.html#id",
    // "name.html"); nothing for references to other sites, to files that are
    // no part of the book, and for other schemes.
    std::optional<LinkTarget> TargetOf(std::size_t part, std::string_view reference) const;

    // The page id that `target` leads to, or nothing when the page does not
    // hold it. The start of a part gets an id when first asked for.
    std::optional<std::string> Resolve(const LinkTarget& target);

    // The id of the start of `part`, empty when no reference leads there.
    std::string PartStart(std::size_t part) const;

    // A new id for the page, made from `stem`.
    std::string Make(std::string_view stem);

private:
    std::vector<std::string> m_partNames;
    std::set<std::string> m_used;
    std::map<std::pair<std::size_t, std::string>, std::string> m_byTarget;
    std::map<std::size_t, std::string> m_partStarts;
    std::map<std::string, int> m_nextNumber;  // stem -> the next number to try
};
