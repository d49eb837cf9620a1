// Books for the page assembly, written as markup by the tests.
#pragma once

#include "tools/mobi2html/page_document.h"

#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

// A book of the given title whose parts are `parts`, named as libmobi names
// the files of a KF8 book (part00000.html, part00001.html ...).
inline PageDocument DocumentOf(std::string_view title, const std::vector<std::string>& parts)
{
    PageDocument document;
    document.info.title = title;
    for (std::size_t i = 0; i < parts.size(); ++i) {
        char name[32];
        std::snprintf(name, sizeof name, "part%05zu.html", i);
        document.parts.push_back({name, parts[i]});
    }
    return document;
}
