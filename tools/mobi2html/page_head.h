// What the head of the page tells the renderer about the book: its title,
// language, authors and subject, which go into the PDF's document
// information, and the picture it sets as the PDF's first page.
#pragma once

#include "page_contract.h"
#include "page_document.h"

#include <string>
#include <string_view>

// <html lang="..."> with the book's language, <html> when it has none that
// is a plain language tag.
std::string HtmlStartTag(std::string_view language);

// <title>, then <meta name="author">, <meta name="subject"> and
// <meta name="corvale-cover"> for what the book has, one a line. Several
// authors are joined with " & ".
std::string DocumentInfoTags(const DocumentInfo& info, std::string_view coverImage);
