#include "open_elements.h"

#include <algorithm>

namespace {

// Start tags before which the parser ends an open <p>.
bool ClosesParagraph(std::string_view name)
{
    return IsOneOf(name, {"address", "article", "aside", "blockquote", "center", "details", "dialog", "dir", "div",
                          "dl", "fieldset", "figcaption", "figure", "footer", "header", "hgroup", "main", "menu",
                          "nav", "ol", "p", "section", "summary", "ul", "h1", "h2", "h3", "h4", "h5", "h6", "pre",
                          "listing", "form", "table", "hr", "li", "dd", "dt", "plaintext", "xmp"});
}

bool IsHeading(std::string_view name) { return IsOneOf(name, {"h1", "h2", "h3", "h4", "h5", "h6"}); }

// Elements that the parser puts back after closing a paragraph around them,
// so that text after a block inside <b> stays bold.
bool IsFormattingElement(std::string_view name)
{
    return IsOneOf(name, {"a", "b", "big", "code", "em", "font", "i", "nobr", "s", "small", "strike", "strong", "tt",
                          "u"});
}

// Elements that bound the search of an end tag for its start tag.
bool IsScopeBoundary(std::string_view name)
{
    return IsOneOf(name, {"applet", "caption", "html", "table", "td", "th", "marquee", "object", "template", "svg",
                          "math"});
}

// Elements that may be closed at the end of a piece and opened again at the
// start of the next with the same look: plain blocks and inline styling.
// Not lists (numbers and bullets would start again), tables, preformatted
// text, headings, quotations (quote marks), forms, pictures or scripts.
bool IsReopenable(std::string_view name)
{
    return IsOneOf(name, {"div", "span", "section", "article", "main", "aside", "header", "footer", "nav",
                          "blockquote", "center", "address", "figure", "font", "b", "i", "em", "strong", "small",
                          "big", "u", "s", "strike", "tt", "code", "sub", "sup", "a", "abbr", "cite", "dfn", "kbd",
                          "samp", "var", "mark", "bdi", "bdo", "ins", "del", "time", "nobr"});
}

}  // namespace

bool IsNeverOpen(std::string_view name)
{
    // The parser reads <image> as <img>.
    return IsVoidElement(name) || name == "image";
}

void OpenElements::Start(const HtmlToken& tag, std::size_t offset)
{
    const std::string& name = tag.name;
    if (IsOneOf(name, {"html", "head", "body"})) return;  // folded into the elements the page already has
    if (ClosesParagraph(name)) CloseParagraph();
    if (IsHeading(name) && !m_elements.empty() && IsHeading(m_elements.back().name)) m_elements.pop_back();
    if (name == "li" || name == "dd" || name == "dt") {
        // A new item ends the open one of its list.
        for (std::size_t i = m_elements.size(); i-- > 0;) {
            const std::string& open = m_elements[i].name;
            if (open == name || (name != "li" && (open == "dd" || open == "dt"))) {
                m_elements.resize(i);
                break;
            }
            const bool special = !IsReopenable(open) || IsOneOf(open, {"section", "article", "main", "aside", "header",
                                                                       "footer", "nav", "blockquote", "center", "figure"});
            if (special && !IsOneOf(open, {"address", "div", "p"})) break;
        }
    }
    if (name == "plaintext") m_bPlainText = true;
    if (IsNeverOpen(name)) return;
    // <div/> opens a div for an HTML parser; only inside SVG and MathML does
    // the slash end the element.
    const bool foreign = std::any_of(m_elements.begin(), m_elements.end(),
                                     [](const OpenElement& e) { return e.name == "svg" || e.name == "math"; });
    if (tag.selfClosing && (foreign || name == "svg" || name == "math")) return;
    m_elements.push_back({name, offset, offset + tag.raw.size()});
}

void OpenElements::End(std::string_view name)
{
    if (IsOneOf(name, {"html", "body", "br"})) return;
    if (HasInScope(name)) PopThrough(name);
}

bool OpenElements::CanCutHere() const
{
    return !m_bPlainText && std::all_of(m_elements.begin(), m_elements.end(),
                                        [](const OpenElement& e) { return IsReopenable(e.name); });
}

void OpenElements::CloseParagraph()
{
    for (std::size_t i = m_elements.size(); i-- > 0;) {
        const std::string& open = m_elements[i].name;
        if (open == "p") {
            // What the paragraph held is closed with it, but for the
            // formatting, which the parser opens again for what follows.
            std::vector<OpenElement> kept(m_elements.begin(), m_elements.begin() + static_cast<std::ptrdiff_t>(i));
            for (std::size_t k = i + 1; k < m_elements.size(); ++k)
                if (IsFormattingElement(m_elements[k].name)) kept.push_back(m_elements[k]);
            m_elements = std::move(kept);
            return;
        }
        if (IsScopeBoundary(open) || open == "button") return;
    }
}

bool OpenElements::HasInScope(std::string_view name) const
{
    for (std::size_t i = m_elements.size(); i-- > 0;) {
        if (m_elements[i].name == name) return true;
        if (IsScopeBoundary(m_elements[i].name)) return false;
        if ((name == "li") && (m_elements[i].name == "ol" || m_elements[i].name == "ul")) return false;
    }
    return false;
}

void OpenElements::PopThrough(std::string_view name)
{
    for (std::size_t i = m_elements.size(); i-- > 0;) {
        if (m_elements[i].name == name) {
            m_elements.resize(i);
            return;
        }
    }
}
