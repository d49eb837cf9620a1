// The joined PDF's document information: the book's title, author, subject
// and language, and this program as its producer. Nothing of what the
// system's wkhtmltopdf wrote into the pieces (Qt's producer, an empty
// title) stays.
#pragma once

#include "page_facts.h"

#include <qpdf/QPDF.hh>

#include <string_view>

inline constexpr std::string_view kProducer = "Corvale 1.0";

// Replaces the document information dictionary with one of the book's own
// and sets the catalog's /Lang; fields the book has no value for are left
// out.
void WriteDocumentInfo(QPDF& pdf, const PageFacts& facts);
