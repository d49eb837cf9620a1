#include "filepos_anchors.h"

#include "html_tokens.h"

#include <algorithm>

namespace {

constexpr auto npos = std::string_view::npos;

std::size_t OffsetOf(std::string_view text, const HtmlToken& token)
{
    return static_cast<std::size_t>(token.raw.data() - text.data());
}

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

// Where the anchor for `position` can go, as described in the header.
std::size_t SafePlace(std::string_view text, const std::vector<HtmlToken>& tokens, std::size_t bodyStart,
                      std::size_t bodyEnd, std::size_t position)
{
    position = std::clamp(position, bodyStart, bodyEnd);
    const auto after = std::upper_bound(tokens.begin(), tokens.end(), position, [&](std::size_t value, const HtmlToken& token) {
        return value < OffsetOf(text, token);
    });
    if (after == tokens.begin()) return position;
    const auto token = std::prev(after);
    const std::size_t start = OffsetOf(text, *token);
    if (token->kind != HtmlTokenKind::Text) return start;
    if (token != tokens.begin()) {
        const HtmlToken& opener = *std::prev(token);
        if (opener.kind == HtmlTokenKind::StartTag && HasRawTextContent(opener.name)) return OffsetOf(text, opener);
    }
    // Not between the bytes of one character, nor inside an entity.
    while (position > start && (static_cast<unsigned char>(text[position]) & 0xC0) == 0x80) --position;
    const std::size_t lookBack = std::max(start, position >= 10 ? position - 10 : 0);
    const std::size_t amp = text.substr(lookBack, position - lookBack).rfind('&');
    if (amp != npos && text.substr(lookBack + amp, position - lookBack - amp).find_first_of("; \t\r\n") == npos)
        position = lookBack + amp;
    return position;
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
    const std::vector<HtmlToken> tokens = TokenizeHtml(text);
    std::vector<std::uint32_t> targets = std::move(moreTargets);
    AddLinkTargets(tokens, targets);
    if (targets.empty()) return std::string(text);
    std::sort(targets.begin(), targets.end());
    targets.erase(std::unique(targets.begin(), targets.end()), targets.end());

    std::size_t bodyStart = 0, bodyEnd = text.size();
    for (const HtmlToken& token : tokens) {
        if (token.name != "body") continue;
        if (token.kind == HtmlTokenKind::StartTag && bodyStart == 0) bodyStart = OffsetOf(text, token) + token.raw.size();
        if (token.kind == HtmlTokenKind::EndTag) bodyEnd = OffsetOf(text, token);
    }
    bodyEnd = std::max(bodyEnd, bodyStart);

    std::vector<std::pair<std::size_t, std::uint32_t>> places;  // (byte offset, target)
    places.reserve(targets.size());
    for (const std::uint32_t target : targets)
        places.emplace_back(SafePlace(text, tokens, bodyStart, bodyEnd, target), target);
    std::stable_sort(places.begin(), places.end(), [](const auto& a, const auto& b) { return a.first < b.first; });

    std::string anchored;
    anchored.reserve(text.size() + places.size() * 32);
    std::size_t copied = 0;
    for (const auto& [place, target] : places) {
        anchored.append(text.substr(copied, place - copied));
        anchored += "<a id=\"" + FileposAnchorId(target) + "\"></a>";
        copied = place;
    }
    anchored.append(text.substr(copied));
    return anchored;
}
