// PalmDOC compression. The decoder knows four kinds of byte:
//   0x00, 0x09..0x7F  the byte itself
//   0x01..0x08        that many following bytes, copied as they are
//   0x80..0xBF        with the next byte: 0x8000 | distance << 3 | (length - 3),
//                     a copy of 3..10 bytes from 1..2047 bytes back
//   0xC0..0xFF        a space followed by the byte XOR 0x80 (0x40..0x7F)
// The encoder is greedy: the longest back-reference if one of at least three
// bytes exists, else a space pair, else a literal. Candidate positions are
// found through hash chains on the next three bytes.
#include "palmdoc_compression.h"

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>

namespace {

constexpr std::size_t kMinMatch = 3;
constexpr std::size_t kMaxMatch = 10;
constexpr std::size_t kMaxDistance = 2047;
constexpr std::size_t kMaxLiteralRun = 8;
constexpr int kMaxChainSteps = 256;  // bounds the search on repetitive text
constexpr std::size_t kHashBits = 12;

bool IsPlainByte(unsigned char c) { return c == 0x00 || (c >= 0x09 && c <= 0x7F); }

std::size_t HashAt(std::span<const unsigned char> text, std::size_t pos)
{
    const std::uint32_t key = (std::uint32_t{text[pos]} << 16) |
                              (std::uint32_t{text[pos + 1]} << 8) | text[pos + 2];
    return (key * 2654435761u) >> (32 - kHashBits);
}

// Positions seen so far, chained by the hash of the three bytes at each.
class MatchFinder {
public:
    explicit MatchFinder(std::span<const unsigned char> text)
        : text_(text), previous_(text.size(), kNone)
    {
        heads_.fill(kNone);
    }

    void Insert(std::size_t pos)
    {
        if (pos + kMinMatch > text_.size()) return;
        const std::size_t hash = HashAt(text_, pos);
        previous_[pos] = heads_[hash];
        heads_[hash] = pos;
    }

    struct Match {
        std::size_t length = 0;
        std::size_t distance = 0;
    };

    // The longest earlier copy of the bytes at `pos` within reach.
    Match Longest(std::size_t pos) const
    {
        Match best;
        if (pos + kMinMatch > text_.size()) return best;
        const std::size_t limit = std::min(kMaxMatch, text_.size() - pos);
        int steps = 0;
        for (std::size_t candidate = heads_[HashAt(text_, pos)];
             candidate != kNone && pos - candidate <= kMaxDistance && steps < kMaxChainSteps;
             candidate = previous_[candidate], ++steps) {
            std::size_t length = 0;
            // The copy may overlap the bytes it produces: the decoder copies
            // byte by byte, so comparing against the input is exact.
            while (length < limit && text_[candidate + length] == text_[pos + length]) ++length;
            if (length > best.length) {
                best = {length, pos - candidate};
                if (length == limit) break;
            }
        }
        if (best.length < kMinMatch) best = {};
        return best;
    }

private:
    static constexpr std::size_t kNone = static_cast<std::size_t>(-1);
    std::span<const unsigned char> text_;
    std::array<std::size_t, std::size_t{1} << kHashBits> heads_{};
    std::vector<std::size_t> previous_;
};

}  // namespace

std::vector<unsigned char> CompressPalmDoc(std::span<const unsigned char> text)
{
    std::vector<unsigned char> out;
    out.reserve(text.size());
    MatchFinder finder(text);
    std::size_t pos = 0;
    auto advance = [&](std::size_t count) {
        for (std::size_t i = 0; i < count; ++i) finder.Insert(pos + i);
        pos += count;
    };

    while (pos < text.size()) {
        const auto match = finder.Longest(pos);
        if (match.length > 0) {
            const unsigned code = 0x8000u | unsigned(match.distance << 3) | unsigned(match.length - kMinMatch);
            out.push_back(static_cast<unsigned char>(code >> 8));
            out.push_back(static_cast<unsigned char>(code & 0xFF));
            advance(match.length);
            continue;
        }
        const unsigned char c = text[pos];
        if (c == ' ' && pos + 1 < text.size() && text[pos + 1] >= 0x40 && text[pos + 1] <= 0x7F) {
            out.push_back(static_cast<unsigned char>(text[pos + 1] ^ 0x80));
            advance(2);
        } else if (IsPlainByte(c)) {
            out.push_back(c);
            advance(1);
        } else {
            std::size_t run = 1;
            while (run < kMaxLiteralRun && pos + run < text.size() && !IsPlainByte(text[pos + run])) ++run;
            out.push_back(static_cast<unsigned char>(run));
            out.insert(out.end(), text.begin() + static_cast<std::ptrdiff_t>(pos),
                       text.begin() + static_cast<std::ptrdiff_t>(pos + run));
            advance(run);
        }
    }
    return out;
}
