// What a book says about itself in its headers (EXTH records, MOBI header):
// title, creators, language, subject and cover.
#pragma once

#include "page_document.h"

#include <mobi.h>

#include <cstddef>
#include <optional>

// Title (the EXTH updated title, else the full name), creators (every EXTH
// creator record, in order), language (EXTH language, else the header's
// locale) and subjects (joined with "; "), as UTF-8.
DocumentInfo ReadDocumentInfo(const MOBIData* data);

// The EXTH cover offset: where the cover picture lies among the image
// records (0 for the first); nothing when the book names no cover.
std::optional<std::size_t> ReadCoverOffset(const MOBIData* data);
