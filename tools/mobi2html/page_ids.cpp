#include "page_ids.h"

#include "html_tokens.h"

#include <algorithm>

bool IsPlainId(std::string_view id)
{
    return !id.empty() && id.size() <= 200 && std::all_of(id.begin(), id.end(), [](char c) {
        return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '-' ||
               c == '_' || c == '.' || c == ':';
    });
}

namespace {

bool HasScheme(std::string_view reference)
{
    if (reference.starts_with("//")) return true;
    const std::size_t colon = reference.find(':');
    return colon != std::string_view::npos && reference.find_first_of("/?#") > colon;
}

}  // namespace

std::string PageIds::Add(std::size_t part, std::string_view id)
{
    std::string pageId = Make(IsPlainId(id) ? id : std::string_view("id"));
    m_byTarget.try_emplace({part, std::string(id)}, pageId);
    return pageId;
}

std::optional<LinkTarget> PageIds::TargetOf(std::size_t part, std::string_view reference) const
{
    reference = TrimSpaces(reference);
    if (HasScheme(reference)) return std::nullopt;
    const std::size_t hash = reference.find('#');
    const std::string_view path = reference.substr(0, hash);
    LinkTarget target{part, hash == std::string_view::npos ? std::string() : std::string(reference.substr(hash + 1))};
    if (path.empty()) return target;

    const std::string name = ToAsciiLower(path.substr(path.find_last_of('/') + 1));  // npos + 1 == 0
    for (std::size_t i = 0; i < m_partNames.size(); ++i) {
        if (ToAsciiLower(m_partNames[i]) == name) {
            target.part = i;
            return target;
        }
    }
    return std::nullopt;
}

std::optional<std::string> PageIds::Resolve(const LinkTarget& target)
{
    if (target.fragment.empty()) {
        if (target.part >= m_partNames.size()) return std::nullopt;
        const auto [start, added] = m_partStarts.try_emplace(target.part);
        if (added) start->second = Make("part" + std::to_string(target.part));
        return start->second;
    }
    const auto found = m_byTarget.find({target.part, target.fragment});
    if (found == m_byTarget.end()) return std::nullopt;
    return found->second;
}

std::string PageIds::PartStart(std::size_t part) const
{
    const auto found = m_partStarts.find(part);
    return found == m_partStarts.end() ? std::string() : found->second;
}

std::string PageIds::Make(std::string_view stem)
{
    // Numbering goes on where it left off for the stem, so that many ids of
    // one stem cost no more than one each.
    std::string id(stem);
    int& number = m_nextNumber.try_emplace(id, 2).first->second;
    while (m_used.count(id) != 0) id = std::string(stem) + "-" + std::to_string(number++);
    m_used.insert(id);
    return id;
}
