// Books of growing size for the benchmark, made with the project's writer.
#pragma once

#include "mobi_writer.h"

#include <string>
#include <vector>

struct BenchBook {
    std::string name;
    size_t textBytes;   // about this much markup
    int images;         // this many GIF pictures
    int entries = 0;    // a dictionary of this many entries, each after a page break (textBytes unused)
};

const std::vector<BenchBook>& BenchBooks(bool quick);
MobiBook MakeBenchBook(const BenchBook& book);
