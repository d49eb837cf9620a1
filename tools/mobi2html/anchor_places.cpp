#include "anchor_places.h"

#include "html_elements.h"
#include "page_ids.h"

#include <algorithm>

namespace {

constexpr std::size_t npos = std::string_view::npos;

bool IsRawTextStart(const HtmlToken& token)
{
    return token.kind == HtmlTokenKind::StartTag && !token.selfClosing && HasRawTextContent(token.name);
}

bool HasHref(const HtmlToken& tag)
{
    return tag.raw.find("href") != std::string_view::npos && FindAttribute(ParseAttributes(tag), "href") != nullptr;
}

// Elements no anchor may stand in: a link inside a link ends the outer one,
// an <a> in a drawing is no HTML element, and what the page leaves out
// takes its anchors with it.
bool IsShelter(const HtmlToken& tag)
{
    return (tag.name == "a" && HasHref(tag)) || tag.name == "svg" || tag.name == "math" ||
           IsDroppedWithContent(tag.name);
}

// Elements an anchor is not put into: those that hold nothing, links,
// drawings, form controls, and preformatted text (an anchor before its
// first line feed would keep that line feed).
bool IsEntered(const HtmlToken& tag)
{
    return tag.kind == HtmlTokenKind::StartTag && !tag.selfClosing && !IsVoidElement(tag.name) &&
           !HasRawTextContent(tag.name) && !IsDroppedWithContent(tag.name) &&
           !IsOneOf(tag.name, {"a", "pre", "listing", "plaintext", "select", "optgroup", "option", "svg", "math",
                               "button", "head", "body"});
}

// Elements that keep an id in the page.
bool CanHoldId(const HtmlToken& tag)
{
    return tag.kind == HtmlTokenKind::StartTag && !IsDroppedTag(tag.name) && !IsDroppedWithContent(tag.name) &&
           !HasRawTextContent(tag.name) && !IsOneOf(tag.name, {"head", "body"});
}

// Table structure that may hold no text of its own: an anchor right inside
// it would be moved out of the table by the HTML parser.
bool IsTableFrame(std::string_view name)
{
    return IsOneOf(name, {"table", "thead", "tbody", "tfoot", "tr", "colgroup"});
}

}  // namespace

AnchorPlaces::AnchorPlaces(std::string_view markup) : m_markup(markup), m_tokens(TokenizeHtml(markup))
{
    m_bodyEnd = markup.size();
    bool bodySeen = false;
    std::vector<std::string_view> open;  // the shelters open here, outermost first
    std::size_t outermost = npos;
    m_shelters.reserve(m_tokens.size());
    for (std::size_t k = 0; k < m_tokens.size(); ++k) {
        const HtmlToken& token = m_tokens[k];
        m_shelters.push_back(open.empty() ? npos : outermost);
        if (token.name == "body") {
            if (token.kind == HtmlTokenKind::StartTag && !bodySeen) m_bodyStart = OffsetOf(k) + token.raw.size();
            if (token.kind == HtmlTokenKind::EndTag) m_bodyEnd = OffsetOf(k);
            bodySeen = bodySeen || token.kind == HtmlTokenKind::StartTag;
        }
        if (token.kind == HtmlTokenKind::StartTag && !token.selfClosing && !IsVoidElement(token.name) &&
            IsShelter(token)) {
            if (open.empty()) outermost = OffsetOf(k);
            open.push_back(token.name);
        } else if (token.kind == HtmlTokenKind::EndTag && !open.empty()) {
            const auto match = std::find(open.rbegin(), open.rend(), token.name);
            if (match != open.rend()) open.erase(std::prev(match.base()), open.end());
        }
    }
    m_bodyEnd = std::max(m_bodyEnd, m_bodyStart);
}

std::size_t AnchorPlaces::OffsetOf(std::size_t token) const
{
    return token < m_tokens.size() ? static_cast<std::size_t>(m_tokens[token].raw.data() - m_markup.data())
                                   : m_markup.size();
}

AnchorPlace AnchorPlaces::Find(std::size_t position) const
{
    const std::size_t at = std::clamp(position, m_bodyStart, m_bodyEnd);
    const auto after = std::upper_bound(m_tokens.begin(), m_tokens.end(), at, [&](std::size_t value, const HtmlToken& token) {
        return value < static_cast<std::size_t>(token.raw.data() - m_markup.data());
    });
    if (after == m_tokens.begin()) return {at, {}, false};
    const std::size_t i = static_cast<std::size_t>(after - m_tokens.begin()) - 1;
    const HtmlToken& token = m_tokens[i];
    const std::size_t start = OffsetOf(i);
    const bool rawText = token.kind == HtmlTokenKind::Text && i > 0 && IsRawTextStart(m_tokens[i - 1]);

    std::size_t k = i + 1;  // inside a tag or a comment: after it
    if (at == start) {
        k = i;
    } else if (rawText) {
        k = std::min(i + 2, m_tokens.size());  // past the end tag
    } else if (token.kind == HtmlTokenKind::Text && !rawText) {
        // Within text: at the start of the next character, past an entity.
        const std::size_t end = start + token.raw.size();
        std::size_t place = at;
        while (place < end && (static_cast<unsigned char>(m_markup[place]) & 0xC0) == 0x80) ++place;
        const std::size_t lookBack = std::max(start, place >= 32 ? place - 32 : 0);
        const std::size_t amp = m_markup.substr(lookBack, place - lookBack).rfind('&');
        if (amp != npos && m_markup.substr(lookBack + amp, place - lookBack - amp).find_first_of("; \t\r\n<") == npos) {
            const std::size_t stop = m_markup.find_first_of("; \t\r\n<&", place);
            place = stop == npos || stop >= end ? end : stop + (m_markup[stop] == ';' ? 1 : 0);
        }
        if (place < end) {
            // At the start of an element's text the element itself takes the id.
            if (i > 0 && IsEntered(m_tokens[i - 1]) && TrimSpaces(m_markup.substr(start, place - start)).empty())
                return HolderPlace(i - 1);
            return {m_shelters[i] != npos ? m_shelters[i] : place, {}, false};
        }
    }
    // Never inside a style sheet or a script: after its end tag.
    if (k > 0 && k <= m_tokens.size() && IsRawTextStart(m_tokens[k - 1])) {
        const std::string& name = m_tokens[k - 1].name;
        while (k < m_tokens.size() && !(m_tokens[k].kind == HtmlTokenKind::EndTag && m_tokens[k].name == name)) ++k;
        if (k < m_tokens.size()) ++k;
    }
    // Nor before the first line feed of preformatted text.
    if (k > 0 && k <= m_tokens.size() && m_tokens[k - 1].kind == HtmlTokenKind::StartTag &&
        IsOneOf(m_tokens[k - 1].name, {"pre", "listing"}))
        --k;

    const std::size_t first = k;
    std::size_t holder = Descend(k);
    // Else the element that starts there (a picture, a link, preformatted
    // text), or the one whose start tag the place follows.
    if (holder == npos && k < m_tokens.size() && CanHoldId(m_tokens[k])) holder = k;
    if (holder == npos && first > 0 && first <= m_tokens.size() && IsEntered(m_tokens[first - 1])) holder = first - 1;
    if (holder != npos) return HolderPlace(holder);
    const std::size_t shelter = k < m_shelters.size() ? m_shelters[k] : npos;
    return {shelter != npos ? shelter : OffsetOf(k), {}, false};
}

// The element at token `holder` takes the id itself; one with an id that
// cannot be used gets an anchor before it instead.
AnchorPlace AnchorPlaces::HolderPlace(std::size_t holder) const
{
    const std::size_t offset = OffsetOf(holder);
    if (m_shelters[holder] != npos) return {m_shelters[holder], {}, false};
    const HtmlToken& tag = m_tokens[holder];
    if (tag.raw.find("id") != std::string_view::npos) {
        const std::vector<HtmlAttribute> attributes = ParseAttributes(tag);
        if (const HtmlAttribute* id = FindAttribute(attributes, "id"))
            return IsPlainId(id->value) ? AnchorPlace{offset, id->value, true} : AnchorPlace{offset, {}, false};
    }
    return {offset, {}, true};
}

// Past the blanks, comments and start tags that begin at token `k`, to the
// first thing they show (moving `k` there): the innermost element entered,
// or the table whose rows hold no cell yet; npos when none.
std::size_t AnchorPlaces::Descend(std::size_t& k) const
{
    std::size_t entered = npos, tableFrame = npos;
    for (; k < m_tokens.size() && OffsetOf(k) < m_bodyEnd; ++k) {
        const HtmlToken& tag = m_tokens[k];
        if (tag.kind == HtmlTokenKind::Other || IsBlankText(tag)) continue;
        if (!IsEntered(tag)) break;
        if (IsTableFrame(tag.name)) {
            if (tableFrame == npos) tableFrame = k;
        } else if (IsOneOf(tag.name, {"td", "th", "caption"})) {
            tableFrame = npos;
        }
        entered = k;
    }
    return tableFrame != npos ? tableFrame : entered;
}

std::pair<std::size_t, std::string> AnchorInsertion(std::string_view markup, const AnchorPlace& place, std::string_view id)
{
    if (!place.holder) return {place.offset, AnchorTag(id)};
    std::size_t nameEnd = place.offset + 1;
    while (nameEnd < markup.size() && std::string_view(" \t\r\n\f/>").find(markup[nameEnd]) == npos) ++nameEnd;
    return {nameEnd, " id=\"" + std::string(id) + "\""};
}

std::string AnchorTag(std::string_view id) { return "<a id=\"" + std::string(id) + "\"></a>"; }

std::string InsertAnchors(std::string_view markup, std::vector<std::pair<std::size_t, std::string>> insertions)
{
    std::stable_sort(insertions.begin(), insertions.end(), [](const auto& a, const auto& b) { return a.first < b.first; });
    std::string anchored;
    anchored.reserve(markup.size() + insertions.size() * 32);
    std::size_t copied = 0;
    for (const auto& [place, text] : insertions) {
        const std::size_t at = std::min(place, markup.size());
        anchored.append(markup.substr(copied, at - copied));
        anchored += text;
        copied = at;
    }
    anchored.append(markup.substr(copied));
    return anchored;
}
