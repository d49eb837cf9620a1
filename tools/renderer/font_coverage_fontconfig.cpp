// Which characters the installed fonts have, as fontconfig knows them: the
// fonts the system renderer draws with on Linux.
#include "font_coverage.h"

#include <fontconfig/fontconfig.h>

#include <memory>

namespace {

// fontconfig's objects, each freed by its own function.
template <class T, void (*Free)(T*)>
struct FcFree {
    void operator()(T* object) const { Free(object); }
};
template <class T, void (*Free)(T*)>
using FcOwner = std::unique_ptr<T, FcFree<T, Free>>;

// Every character some installed font has: the union of their charsets.
FcOwner<FcCharSet, FcCharSetDestroy> InstalledCharacters()
{
    // A configuration of our own, read as the system renderer will read it
    // (FONTCONFIG_FILE and the rest of the environment included).
    FcOwner<FcConfig, FcConfigDestroy> config(FcInitLoadConfigAndFonts());
    if (!config) return nullptr;
    FcOwner<FcPattern, FcPatternDestroy> all(FcPatternCreate());
    FcOwner<FcObjectSet, FcObjectSetDestroy> wanted(FcObjectSetBuild(FC_CHARSET, nullptr));
    if (!all || !wanted) return nullptr;
    FcOwner<FcFontSet, FcFontSetDestroy> fonts(FcFontList(config.get(), all.get(), wanted.get()));
    FcOwner<FcCharSet, FcCharSetDestroy> installed(FcCharSetCreate());
    if (!fonts || !installed) return nullptr;
    for (int i = 0; i < fonts->nfont; ++i) {
        FcCharSet* characters = nullptr;
        if (FcPatternGetCharSet(fonts->fonts[i], FC_CHARSET, 0, &characters) == FcResultMatch)
            FcCharSetMerge(installed.get(), characters, nullptr);
    }
    return installed;
}

}  // namespace

std::vector<char32_t> MissingFromFonts(const std::vector<char32_t>& codePoints)
{
    if (codePoints.empty()) return {};
    const auto installed = InstalledCharacters();
    if (!installed) return codePoints;
    std::vector<char32_t> missing;
    for (char32_t cp : codePoints)
        if (!FcCharSetHasChar(installed.get(), cp)) missing.push_back(cp);
    return missing;
}
