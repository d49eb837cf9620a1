#include "kf8_text.h"

#include "index_records.h"

#include <algorithm>
#include <cstdio>

namespace {

constexpr IndexTag kSkeletonFragments{1, 1, 0x01};
constexpr IndexTag kSkeletonPlace{6, 2, 0x02};  // start in the text, length
constexpr IndexTag kFragmentFile{3, 1, 0x01};
constexpr IndexTag kFragmentSequence{4, 1, 0x02};
constexpr IndexTag kFragmentPlace{6, 2, 0x04};  // offset in its file, length

std::string Label(const char* format, std::size_t number)
{
    char label[32];
    std::snprintf(label, sizeof label, format, number);
    return label;
}

}  // namespace

Kf8Text MakeKf8Text(const std::vector<Kf8File>& files)
{
    Kf8Text kf8;
    std::vector<IndexEntry> skeletons, fragments;
    for (std::size_t f = 0; f < files.size(); ++f) {
        const Kf8File& file = files[f];
        const std::size_t fileStart = kf8.text.size();  // in the text and in the assembled book alike
        const std::size_t contentAt = std::min(file.contentAt, file.skeleton.size());
        skeletons.push_back({Label("SKEL%010zu", f), kSkeletonFragments.bit | kSkeletonPlace.bit,
                             {static_cast<std::uint32_t>(file.fragments.size()), static_cast<std::uint32_t>(fileStart),
                              static_cast<std::uint32_t>(file.skeleton.size())}});
        kf8.text += file.skeleton;
        std::size_t inFile = contentAt;
        for (const std::string& fragment : file.fragments) {
            fragments.push_back({Label("%010zu", fileStart + inFile),
                                 kFragmentFile.bit | kFragmentSequence.bit | kFragmentPlace.bit,
                                 {static_cast<std::uint32_t>(f), static_cast<std::uint32_t>(fragments.size()),
                                  static_cast<std::uint32_t>(inFile), static_cast<std::uint32_t>(fragment.size())}});
            kf8.text += fragment;
            inFile += fragment.size();
        }
    }
    kf8.skeletonIndex = MakeIndexRecords({kSkeletonFragments, kSkeletonPlace}, skeletons, 0);
    kf8.fragmentIndex = MakeIndexRecords({kFragmentFile, kFragmentSequence, kFragmentPlace}, fragments, 0);

    PutText(kf8.fdst, "FDST");
    Put32(kf8.fdst, 12);  // where the flows' list starts
    Put32(kf8.fdst, 1);
    Put32(kf8.fdst, 0);
    Put32(kf8.fdst, static_cast<std::uint32_t>(kf8.text.size()));
    return kf8;
}
