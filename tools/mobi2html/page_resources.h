// What the page needs from the book besides its markup: the files behind the
// markup's references, made available beside the page.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

class PageResources {
public:
    virtual ~PageResources() = default;

    // Page-relative path of the image that a KF7 recindex (1-based) names;
    // empty when there is no such image.
    virtual std::string ImageByIndex(std::size_t recindex) = 0;

    // Page-relative path (or data: URL) for an image reference of the markup
    // (src, xlink:href, url()); empty when it names no image of the book,
    // which is always so for references to other sites.
    virtual std::string ImageByReference(std::string_view reference) = 0;

    // The style sheet of the book that a <link href> names, as UTF-8 text;
    // nothing when it names none.
    virtual std::optional<std::string> StyleSheet(std::string_view reference) = 0;

    // Page-relative path of the picture the book names as its cover; empty
    // when it names none.
    virtual std::string CoverImage() { return {}; }
};
