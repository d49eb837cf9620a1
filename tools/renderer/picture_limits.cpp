#include "picture_limits.h"

#include "band_scaler.h"
#include "picture_references.h"
#include "stop_signal.h"
#include "work_area.h"

#include <algorithm>
#include <cmath>
#include <map>
#include <system_error>

namespace fs = std::filesystem;

namespace {

constexpr double kDotsPerInch = 300;
constexpr double kMmPerInch = 25.4;
constexpr std::size_t kBandBudget = 64 * 1024 * 1024;

// Writes the reduced copy of `file`; false when it cannot be made.
bool Reduce(const fs::path& file, const PictureInfo& info, PictureSize target, const fs::path& copy)
{
    const std::unique_ptr<PictureWriter> writer =
        info.format == PictureFormat::Jpeg ? CreateJpegWriter(copy, target) : CreatePngWriter(copy, target);
    return writer && ScalePicture(file, info, target, *writer);
}

}  // namespace

bool ScalePicture(const fs::path& file, const PictureInfo& info, PictureSize target, PictureWriter& writer)
{
    BandScaler scaler(target, writer, kBandBudget);
    for (;;) {
        if (!DecodePicture(file, info, target, scaler) || StopSignal::Requested()) return false;
        if (scaler.EndPass()) break;
    }
    return !scaler.Failed() && writer.Finish();
}

PictureSize PagePictureLimit(PageSize page)
{
    const auto pixels = [](double mm) { return static_cast<std::uint32_t>(std::ceil(mm / kMmPerInch * kDotsPerInch)); };
    return {std::max<std::uint32_t>(pixels(page.widthMm), 1), std::max<std::uint32_t>(pixels(page.heightMm), 1)};
}

PictureSize FitWithin(PictureSize picture, PictureSize limit)
{
    if (picture.width <= limit.width && picture.height <= limit.height) return picture;
    const double scale = std::min(static_cast<double>(limit.width) / picture.width,
                                  static_cast<double>(limit.height) / picture.height);
    const auto scaled = [&](std::uint32_t size, std::uint32_t most) {
        return std::clamp<std::uint32_t>(static_cast<std::uint32_t>(std::lround(size * scale)), 1, most);
    };
    return {scaled(picture.width, limit.width), scaled(picture.height, limit.height)};
}

std::vector<TextEdit> FitPictures(std::string_view page, const std::vector<HtmlToken>& tokens, const fs::path& folder,
                                  const WorkArea& area, PageSize size)
{
    const PictureSize limit = PagePictureLimit(size);
    std::map<fs::path, std::string> replacements;
    for (const fs::path& file : FindPictureFiles(tokens, folder)) {
        if (StopSignal::Requested()) return {};
        const std::optional<PictureInfo> info = ProbePicture(file);
        if (!info) continue;
        const PictureSize target = FitWithin(info->size, limit);
        if (target.width == info->size.width && target.height == info->size.height) continue;
        const std::string name = "picture-" + std::to_string(replacements.size() + 1) +
                                 (info->format == PictureFormat::Jpeg ? ".jpg" : ".png");
        const fs::path copy = area.Folder() / name;
        if (Reduce(file, *info, target, copy)) {
            replacements.emplace(file, area.FolderReference() + "/" + name);
        } else {
            std::error_code ignored;
            fs::remove(copy, ignored);
        }
    }
    return RedirectPictures(page, tokens, folder, replacements);
}
