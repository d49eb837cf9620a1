// Appending big-endian numbers and text to the bytes of a record.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

using Bytes = std::vector<unsigned char>;

inline void Put8(Bytes& out, std::uint8_t v) { out.push_back(v); }

inline void Put16(Bytes& out, std::uint16_t v)
{
    out.push_back(static_cast<unsigned char>(v >> 8));
    out.push_back(static_cast<unsigned char>(v));
}

inline void Put32(Bytes& out, std::uint32_t v)
{
    Put16(out, static_cast<std::uint16_t>(v >> 16));
    Put16(out, static_cast<std::uint16_t>(v));
}

inline void PutText(Bytes& out, std::string_view text) { out.insert(out.end(), text.begin(), text.end()); }

inline void PutZeros(Bytes& out, std::size_t count) { out.insert(out.end(), count, 0); }

inline void PadToMultipleOf4(Bytes& out) { PutZeros(out, (4 - out.size() % 4) % 4); }
