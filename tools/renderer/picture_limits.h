// Pictures no larger than the page can show: a picture with more pixels
// than the page holds at 300 dpi is reduced to that before rendering, so a
// book's pictures cannot drive the renderer's memory up without bound.
#pragma once

#include "html_tokens.h"
#include "picture_codec.h"
#include "piece_writer.h"

#include <filesystem>
#include <string_view>
#include <vector>

class WorkArea;

struct PageSize {
    double widthMm = 0;
    double heightMm = 0;
};

// The largest picture the page needs, in pixels at 300 dpi.
PictureSize PagePictureLimit(PageSize page);

// The size a picture is reduced to, keeping its proportions, so that it
// fits within `limit`; the picture's own size when it fits already.
PictureSize FitWithin(PictureSize picture, PictureSize limit);

// Decodes `file` and writes it at `target` size to `writer`, which it
// finishes; false when that fails or a stop was requested.
bool ScalePicture(const std::filesystem::path& file, const PictureInfo& info, PictureSize target,
                  PictureWriter& writer);

// Reduces every picture file of `folder` that the page refers to and that
// is larger than the page needs, writing the reduced copy into the work
// area; returns the edits that point the page at the copies, and away from
// whatever it names that is not a regular file inside `folder`
// (RedirectPictures). The page's own files stay as they are. A picture
// that cannot be reduced is left as it is.
std::vector<TextEdit> FitPictures(std::string_view page, const std::vector<HtmlToken>& tokens,
                                  const std::filesystem::path& folder, const WorkArea& area, PageSize size);
