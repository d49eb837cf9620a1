#include "band_scaler.h"

#include <algorithm>

namespace {

// Which target index a source index falls into.
std::uint32_t TargetOf(std::uint32_t source, std::uint32_t sourceSize, std::uint32_t targetSize)
{
    return static_cast<std::uint32_t>(std::uint64_t{source} * targetSize / sourceSize);
}

}  // namespace

BandScaler::BandScaler(PictureSize target, PictureWriter& writer, std::size_t budget)
    : m_target(target), m_writer(writer)
{
    const std::size_t rowBytes = std::size_t{target.width} * 4 * sizeof(std::uint64_t);
    m_nBandRows = static_cast<std::uint32_t>(std::clamp<std::size_t>(budget / rowBytes, 1, target.height));
}

void BandScaler::Begin(PictureSize size, bool topToBottom)
{
    m_source = size;
    m_bTopToBottom = topToBottom;
    m_columnOf.resize(size.width);
    m_columnWidth.assign(m_target.width, 0);
    m_rowHeight.assign(m_target.height, 0);
    for (std::uint32_t x = 0; x < size.width; ++x) ++m_columnWidth[m_columnOf[x] = TargetOf(x, size.width, m_target.width)];
    for (std::uint32_t y = 0; y < size.height; ++y) ++m_rowHeight[TargetOf(y, size.height, m_target.height)];
    if (m_sums.empty()) StartBand(0);
}

void BandScaler::StartBand(std::uint32_t first)
{
    m_nBandFirst = first;
    m_sums.assign(std::size_t{m_nBandRows} * m_target.width * 4, 0);
}

bool BandScaler::Row(std::uint32_t y, std::uint32_t x0, std::uint32_t step, const std::uint8_t* rgba,
                     std::uint32_t count)
{
    if (y >= m_source.height) return true;
    const std::uint32_t row = TargetOf(y, m_source.height, m_target.height);
    if (m_bTopToBottom) {
        while (row >= m_nBandFirst + m_nBandRows) {
            if (!WriteBand()) return false;
            StartBand(m_nBandFirst + m_nBandRows);
        }
    }
    if (row < m_nBandFirst || row >= m_nBandFirst + m_nBandRows) return true;
    std::uint64_t* sums = &m_sums[std::size_t{row - m_nBandFirst} * m_target.width * 4];
    for (std::uint32_t i = 0, x = x0; i < count && x < m_source.width; ++i, x += step) {
        const std::uint8_t* pixel = rgba + std::size_t{i} * 4;
        std::uint64_t* sum = sums + std::size_t{m_columnOf[x]} * 4;
        const std::uint32_t alpha = pixel[3];
        sum[0] += pixel[0] * alpha;
        sum[1] += pixel[1] * alpha;
        sum[2] += pixel[2] * alpha;
        sum[3] += alpha;
    }
    return true;
}

bool BandScaler::WriteBand()
{
    std::vector<std::uint8_t> line(std::size_t{m_target.width} * 4);
    const std::uint32_t end = std::min(m_target.height, m_nBandFirst + m_nBandRows);
    for (std::uint32_t row = m_nBandFirst; row < end; ++row) {
        const std::uint64_t* sums = &m_sums[std::size_t{row - m_nBandFirst} * m_target.width * 4];
        for (std::uint32_t x = 0; x < m_target.width; ++x) {
            const std::uint64_t* sum = sums + std::size_t{x} * 4;
            const std::uint64_t pixels = std::uint64_t{m_columnWidth[x]} * m_rowHeight[row];
            std::uint8_t* out = &line[std::size_t{x} * 4];
            // Colours weighted by their opacity, so transparent pixels lend
            // the mix no colour of their own.
            for (int c = 0; c < 3; ++c) out[c] = sum[3] ? static_cast<std::uint8_t>((sum[c] + sum[3] / 2) / sum[3]) : 0;
            out[3] = pixels ? static_cast<std::uint8_t>((sum[3] + pixels / 2) / pixels) : 0;
        }
        if (!m_writer.Write(line.data())) {
            m_bFailed = true;
            return false;
        }
    }
    return true;
}

bool BandScaler::EndPass()
{
    for (;;) {
        if (m_bFailed || !WriteBand()) return true;
        if (m_nBandFirst + m_nBandRows >= m_target.height) return true;
        StartBand(m_nBandFirst + m_nBandRows);
        // Rows that never came (below a GIF's frame) stay transparent.
        if (!m_bTopToBottom) return false;
    }
}
