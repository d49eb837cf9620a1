#include "piece_scale.h"

#include "base/paths.h"

#include <qpdf/Pl_Buffer.hh>
#include <qpdf/QPDF.hh>
#include <qpdf/QPDFPageDocumentHelper.hh>

#include <array>
#include <charconv>
#include <memory>

namespace {

constexpr double kUsualScale = 0.768;
// Below the usual scale by more than the rounding of the page's width in
// whole pixels (0.2% on the smallest pages).
constexpr double kLeastUsualShare = 0.99;

bool IsBlank(char c) { return c == ' ' || c == '\n' || c == '\r' || c == '\t'; }

// The six operands before the "cm" at `at`; false when they are not numbers.
bool OperandsBefore(std::string_view content, std::size_t at, std::array<double, 6>& operands)
{
    std::size_t end = at;
    for (std::size_t i = operands.size(); i-- > 0;) {
        while (end > 0 && IsBlank(content[end - 1])) --end;
        std::size_t begin = end;
        while (begin > 0 && !IsBlank(content[begin - 1])) --begin;
        if (begin == end) return false;
        const auto [next, error] = std::from_chars(content.data() + begin, content.data() + end, operands[i]);
        if (error != std::errc() || next != content.data() + end) return false;
        end = begin;
    }
    return true;
}

}  // namespace

std::optional<double> DrawingScaleOf(std::string_view content)
{
    const std::size_t clip = content.find("W* n");
    if (clip == std::string_view::npos) return std::nullopt;
    for (std::size_t at = content.find("cm", clip); at != std::string_view::npos; at = content.find("cm", at + 2)) {
        const bool isOperator = IsBlank(content[at - 1]) && (at + 2 == content.size() || IsBlank(content[at + 2]));
        std::array<double, 6> m{};
        if (!isOperator || !OperandsBefore(content, at, m)) continue;
        // A scale alone: the drawing's, not a picture's or a transform's.
        if (m[0] > 0 && m[0] == m[3] && m[1] == 0 && m[2] == 0 && m[4] == 0 && m[5] == 0) return m[0];
    }
    return std::nullopt;
}

std::optional<double> DrawingScale(const std::filesystem::path& pdf)
{
    try {
        QPDF document;
        document.setSuppressWarnings(true);
        // qpdf takes file names as UTF-8 on every platform.
        document.processFile(PathText(pdf).c_str());
        std::vector<QPDFPageObjectHelper> pages = QPDFPageDocumentHelper(document).getAllPages();
        if (pages.empty()) return std::nullopt;
        Pl_Buffer buffer("first page");
        pages.front().pipeContents(&buffer);
        std::unique_ptr<Buffer> content(buffer.getBuffer());
        return DrawingScaleOf(
            std::string_view(reinterpret_cast<const char*>(content->getBuffer()), content->getSize()));
    } catch (const std::exception&) {
        return std::nullopt;
    }
}

bool IsShrunk(double scale) { return scale < kUsualScale * kLeastUsualShare; }
