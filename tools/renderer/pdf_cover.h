// The book's cover as the PDF's first page: the picture alone, as large as
// the page allows without cropping it, centred, with no margin.
#pragma once

#include "picture_codec.h"
#include "picture_limits.h"

#include <qpdf/QPDF.hh>

#include <filesystem>
#include <optional>
#include <string>

class WorkArea;

// The cover as a JPEG that the PDF holds as it is.
struct CoverPicture {
    std::string jpeg;  // the file's bytes
    PictureSize size;
    int components = 3;  // 1: grey
};

// The cover from `picture`: a JPEG no larger than the page needs (at 300
// dpi) as it is, any other picture reduced to that and written as a JPEG
// in the work area, on white where it is transparent. Nothing when the
// picture cannot be read.
std::optional<CoverPicture> PrepareCover(const std::filesystem::path& picture, const WorkArea& area, PageSize page);

// Inserts the cover before the document's first page, of that page's size.
void InsertCoverPage(QPDF& pdf, const CoverPicture& cover);
