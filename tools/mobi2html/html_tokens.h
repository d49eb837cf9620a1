// A forgiving HTML tokenizer: splits book markup into text, tags and the
// rest, the way a browser would see them, without building a tree.
#pragma once

#include "base/ascii.h"

#include <initializer_list>
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

// Whether `name` is one of `names`.
bool IsOneOf(std::string_view name, std::initializer_list<std::string_view> names);

// The elements HTML gives no content and no end tag.
bool IsVoidElement(std::string_view name);

// True for the elements whose content is raw text up to their end tag
// (style, script and the like): a '<' inside them starts no tag.
bool HasRawTextContent(std::string_view name);

// Tokens of `html` in order, together covering all of it. The views point into `html`.
std::vector<HtmlToken> TokenizeHtml(std::string_view html);

// The attributes of a start tag token, in order.
std::vector<HtmlAttribute> ParseAttributes(const HtmlToken& tag);

// <name a="v" ...> (or <name .../> when `selfClosing`), values double-quoted.
std::string FormatStartTag(std::string_view name, const std::vector<HtmlAttribute>& attributes,
                           bool selfClosing = false);

// Looks an attribute up by lower-case name; nullptr when absent.
const HtmlAttribute* FindAttribute(const std::vector<HtmlAttribute>& attributes, std::string_view name);


// Plain text as HTML text or attribute value: &, <, > and " as entities.
std::string EscapeHtml(std::string_view text);

// Text of the book's markup (entities already written as entities) with its
// double quotes written as &quot;, so that a byte-level scan of the page for
// attributes such as src=" only ever meets real attributes.
std::string EscapeQuotes(std::string_view markupText);

// `text` without the white space at its ends.
std::string_view TrimSpaces(std::string_view text);

// A text token of white space alone.
bool IsBlankText(const HtmlToken& token);

// Runs of white space as one space, none at the ends.
std::string CollapseSpaces(std::string_view text);

// Markup text as plain text: the entities XML defines and numeric character
// references decoded, others left as written.
std::string DecodeBasicEntities(std::string_view text);

// Markup text as plain text, with the named entities of HTML 4 decoded too.
std::string DecodeHtmlEntities(std::string_view text);
