// A forgiving HTML tokenizer: splits book markup into text, tags and the
// rest, the way a browser would see them, without building a tree.
#pragma once

#include <string>
#include <string_view>
#include <vector>

enum class HtmlTokenKind {
    Text,      // character data, or the raw content of script, style and the like
    StartTag,
    EndTag,
    Other,     // comment, doctype, processing instruction, CDATA section
};

struct HtmlToken {
    HtmlTokenKind kind = HtmlTokenKind::Text;
    std::string_view raw;      // the token's bytes in the source
    std::string name;          // tags: the name in lower case
    bool selfClosing = false;  // start tags written as <name ... />
};

struct HtmlAttribute {
    std::string name;          // lower case
    std::string value;         // as written (entities not decoded), without quotes
    bool hasValue = false;     // false for a bare attribute such as <td nowrap>
};

// Tokens of `html` in order. The views point into `html`.
std::vector<HtmlToken> TokenizeHtml(std::string_view html);

// The attributes of a start tag token, in order.
std::vector<HtmlAttribute> ParseAttributes(const HtmlToken& tag);

// <name a="v" ...> (or <name .../> when `selfClosing`), values double-quoted.
std::string FormatStartTag(std::string_view name, const std::vector<HtmlAttribute>& attributes,
                           bool selfClosing = false);

// Looks an attribute up by lower-case name; nullptr when absent.
const HtmlAttribute* FindAttribute(const std::vector<HtmlAttribute>& attributes, std::string_view name);

// ASCII lower case, for names and schemes.
std::string ToLowerAscii(std::string_view text);
