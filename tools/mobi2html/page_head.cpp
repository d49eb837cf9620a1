#include "page_head.h"

#include "html_tokens.h"

#include <algorithm>

namespace {

bool IsLanguageTag(std::string_view language)
{
    return !language.empty() && language.size() <= 35 && std::all_of(language.begin(), language.end(), [](char c) {
        return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '-';
    });
}

std::string MetaTag(std::string_view name, std::string_view content)
{
    return FormatStartTag("meta", {{"name", std::string(name), true}, {"content", EscapeHtml(content), true}}) + "\n";
}

}  // namespace

std::string HtmlStartTag(std::string_view language)
{
    return IsLanguageTag(language) ? "<html lang=\"" + std::string(language) + "\">" : "<html>";
}

std::string DocumentInfoTags(const DocumentInfo& info, std::string_view coverImage)
{
    std::string tags = "<title>" + EscapeHtml(info.title) + "</title>\n";
    std::string authors;
    for (const std::string& author : info.authors) {
        if (author.empty()) continue;
        if (!authors.empty()) authors += " & ";
        authors += author;
    }
    if (!authors.empty()) tags += MetaTag("author", authors);
    if (!info.subject.empty()) tags += MetaTag("subject", info.subject);
    if (!coverImage.empty()) tags += MetaTag(kCoverMetaName, coverImage);
    return tags;
}
