// Reduces a picture by averaging the boxes of pixels that make up each new
// pixel. The sums are kept for a band of new rows at a time, so a picture of
// any size is reduced in a few MB; a band is written as soon as its rows are
// complete. Rows that come out of order (interlaced pictures) need one pass
// over the picture per band.
#pragma once

#include "picture_codec.h"

#include <cstdint>
#include <vector>

class BandScaler : public PictureSink {
public:
    // Writes a picture of `target` size to `writer`, keeping at most about
    // `budget` bytes of sums.
    BandScaler(PictureSize target, PictureWriter& writer, std::size_t budget);

    void Begin(PictureSize size, bool topToBottom) override;
    bool Row(std::uint32_t y, std::uint32_t x0, std::uint32_t step, const std::uint8_t* rgba,
             std::uint32_t count) override;

    // After a pass over the picture: writes what is complete; true once
    // every row is written, false when another pass is needed.
    bool EndPass();
    bool Failed() const { return m_bFailed; }

private:
    bool WriteBand();
    void StartBand(std::uint32_t first);

    PictureSize m_target;
    PictureSize m_source;
    PictureWriter& m_writer;
    std::uint32_t m_nBandRows = 1;
    std::uint32_t m_nBandFirst = 0;  // first target row of the band
    bool m_bTopToBottom = true;
    bool m_bFailed = false;
    std::vector<std::uint32_t> m_columnOf;  // source column -> target column
    std::vector<std::uint64_t> m_sums;      // per target pixel of the band: r*a, g*a, b*a, a
    std::vector<std::uint32_t> m_columnWidth, m_rowHeight;  // source pixels per target column, row
};
