#include "html_elements.h"

bool IsDroppedWithContent(std::string_view name)
{
    return IsOneOf(name, {"script", "title", "audio", "video", "object", "applet", "iframe", "frameset", "noembed",
                          "noframes", "template"});
}

bool IsDroppedTag(std::string_view name)
{
    return IsOneOf(name, {"html", "head", "meta", "base", "embed", "source", "track", "param", "bgsound", "frame",
                          "guide", "reference"}) ||
           name.starts_with("mbp:") || name.starts_with("idx:");
}

bool IsVisibleWithoutText(std::string_view name)
{
    return IsOneOf(name, {"img", "image", "svg", "hr", "math", "input", "textarea", "select", "button"});
}

bool IsInlineElement(std::string_view name)
{
    return IsOneOf(name, {"a", "abbr", "b", "bdi", "bdo", "big", "br", "cite", "code", "dfn", "em", "font", "i", "kbd",
                          "mark", "q", "s", "samp", "small", "span", "strike", "strong", "sub", "sup", "tt", "u", "var",
                          "wbr"});
}

void CloseImpliedElements(std::vector<std::size_t>& open, std::string_view name,
                          const std::function<std::string_view(std::size_t)>& nameOf)
{
    const auto closeTopWhile = [&](std::initializer_list<std::string_view> names) {
        while (!open.empty() && IsOneOf(nameOf(open.back()), names)) open.pop_back();
    };
    if (IsOneOf(name, {"p", "div", "h1", "h2", "h3", "h4", "h5", "h6", "ul", "ol", "dl", "table", "pre", "blockquote",
                       "address", "center", "form", "hr", "section", "article", "aside", "header", "footer", "nav",
                       "figure", "fieldset", "menu", "dir", "li", "dt", "dd"}))
        closeTopWhile({"p"});
    if (name == "li") closeTopWhile({"li"});
    if (name == "dt" || name == "dd") closeTopWhile({"dt", "dd"});
    if (name == "tr") closeTopWhile({"td", "th", "tr"});
    if (name == "td" || name == "th") closeTopWhile({"td", "th"});
}
