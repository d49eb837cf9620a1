// The renderer's picture code on any file a book's page may name: the
// probe of its format and size, the JPEG check, and a small picture's
// decoding and reduction into a copy.
#include "fuzz_target.h"
#include "scratch_file.h"

#include "picture_codec.h"
#include "picture_limits.h"

#include <optional>

namespace {

// Pictures larger than this are probed only: decoding them takes long
// without reaching other code.
constexpr std::uint64_t kMostPixelsDecoded = 1u << 20;

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    static const ScratchFile scratch(".picture");
    if (!scratch.Write(data, size)) return 0;
    JpegPlainComponents(scratch.Path());
    const std::optional<PictureInfo> info = ProbePicture(scratch.Path());
    if (!info || std::uint64_t{info->size.width} * info->size.height > kMostPixelsDecoded) return 0;

    const PictureSize target = FitWithin(info->size, {16, 16});
    const std::filesystem::path copy = scratch.Path().parent_path() / "copy.png";
    if (std::unique_ptr<PictureWriter> writer = CreatePngWriter(copy, target))
        ScalePicture(scratch.Path(), *info, target, *writer);
    return 0;
}
