// The text of a KF8 book: its files cut into skeletons and fragments. The
// text holds each file's skeleton (the file without its content) followed by
// its fragments; the skeleton index says where each skeleton lies and how
// many fragments it takes, the fragment index where each fragment goes (its
// label, the place in the whole book's assembled text), and the FDST record
// where the text's flows lie (here one, the markup).
#pragma once

#include "record_bytes.h"

#include <cstddef>
#include <string>
#include <vector>

struct Kf8File {
    std::string skeleton;        // the file without its content, such as <html><head>..</head><body></body></html>
    std::size_t contentAt = 0;   // where in the skeleton its fragments go, one after the other
    std::vector<std::string> fragments;
};

struct Kf8Text {
    std::string text;
    std::vector<Bytes> skeletonIndex;  // header and entries
    std::vector<Bytes> fragmentIndex;  // header and entries
    Bytes fdst;
};

Kf8Text MakeKf8Text(const std::vector<Kf8File>& files);
