#include "filepos_anchors.h"

#include "anchor_places.h"
#include "html_tokens.h"

#include <algorithm>
#include <set>

namespace {

constexpr auto npos = std::string_view::npos;

// The filepos values of the text's own links.
void AddLinkTargets(const std::vector<HtmlToken>& tokens, std::vector<std::uint32_t>& targets)
{
    for (const HtmlToken& token : tokens) {
        if (token.kind != HtmlTokenKind::StartTag || ToAsciiLower(token.raw).find("filepos") == std::string::npos)
            continue;
        const std::vector<HtmlAttribute> attributes = ParseAttributes(token);
        if (const HtmlAttribute* filepos = FindAttribute(attributes, "filepos"))
            if (const std::optional<std::uint32_t> position = ParseFilepos(filepos->value)) targets.push_back(*position);
    }
}

}  // namespace

std::string FileposAnchorId(std::uint32_t position) { return "filepos" + std::to_string(position); }

std::optional<std::uint32_t> ParseFilepos(std::string_view value)
{
    while (!value.empty() && (value.front() == ' ' || value.front() == '"' || value.front() == '\'')) value.remove_prefix(1);
    while (!value.empty() && (value.back() == ' ' || value.back() == '"' || value.back() == '\'')) value.remove_suffix(1);
    if (value.empty() || value.size() > 10 || value.find_first_not_of("0123456789") != npos) return std::nullopt;
    std::uint64_t number = 0;
    for (const char digit : value) number = number * 10 + static_cast<std::uint64_t>(digit - '0');
    if (number > UINT32_MAX) return std::nullopt;
    return static_cast<std::uint32_t>(number);
}

std::string InsertFileposAnchors(std::string_view text, std::vector<std::uint32_t> moreTargets)
{
    std::vector<std::uint32_t> targets = std::move(moreTargets);
    AddLinkTargets(TokenizeHtml(text), targets);
    if (targets.empty()) return std::string(text);
    std::sort(targets.begin(), targets.end());
    targets.erase(std::unique(targets.begin(), targets.end()), targets.end());

    // The links lead to these ids: an element that has an id of its own, or
    // that took one for an earlier position, gets an anchor before it.
    const AnchorPlaces places(text);
    std::vector<std::pair<std::size_t, std::string>> insertions;
    std::set<std::size_t> holders;
    for (const std::uint32_t target : targets) {
        AnchorPlace place = places.Find(target);
        if (place.holder && (!place.id.empty() || !holders.insert(place.offset).second)) place.holder = false;
        insertions.push_back(AnchorInsertion(text, place, FileposAnchorId(target)));
    }
    return InsertAnchors(text, std::move(insertions));
}
