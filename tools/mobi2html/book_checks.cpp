#include "book_checks.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <vector>

namespace {

constexpr std::size_t kPdbHeaderSize = 78;  // up to the record count; the record list follows
constexpr long kPdbTypeOffset = 60;        // type and creator, 4 bytes each
constexpr long kPdbCountOffset = 76;       // the number of records, 2 bytes
constexpr std::size_t kPdbEntrySize = 8;   // a record's offset (4 bytes), attributes and id

// How many times its size a text record can grow when decompressed:
// PalmDOC's LZ77 turns two bytes into at most ten. HUFF/CDIC has no such
// bound; its records are taken at the most the header allows each.
constexpr std::size_t kPalmDocGrowth = 8;

}  // namespace

bool HasMobiSignature(std::FILE* file)
{
    unsigned char header[kPdbHeaderSize];
    const bool whole = std::fread(header, 1, sizeof header, file) == sizeof header;
    std::rewind(file);
    if (!whole) return false;
    const char* type = reinterpret_cast<const char*>(header + kPdbTypeOffset);
    return std::memcmp(type, "BOOKMOBI", 8) == 0 || std::memcmp(type, "TEXtREAd", 8) == 0;
}

bool RecordListFits(std::FILE* file, std::string& reason)
{
    reason = "its list of records is damaged";
    std::uint8_t count[2];
    const bool fits = [&] {
        if (std::fseek(file, kPdbCountOffset, SEEK_SET) != 0 || std::fread(count, 1, 2, file) != 2) return false;
        const std::size_t records = std::size_t{count[0]} << 8 | count[1];
        std::vector<std::uint8_t> list(records * kPdbEntrySize);
        if (std::fread(list.data(), 1, list.size(), file) != list.size()) return false;
        if (std::fseek(file, 0, SEEK_END) != 0) return false;
        const long size = std::ftell(file);
        if (size < 0) return false;
        std::uint32_t previous = 0;
        for (std::size_t i = 0; i < records; ++i) {
            const std::uint8_t* entry = list.data() + i * kPdbEntrySize;
            const std::uint32_t offset = std::uint32_t{entry[0]} << 24 | std::uint32_t{entry[1]} << 16 |
                                         std::uint32_t{entry[2]} << 8 | entry[3];
            if (offset < previous || offset > static_cast<unsigned long>(size)) return false;
            previous = offset;
        }
        return true;
    }();
    std::rewind(file);
    return fits;
}

std::optional<std::size_t> TextCapacity(const MOBIData* data, std::string& reason)
{
    if (!data->rh || data->rh->text_record_count == 0) {
        reason = "it holds no text";
        return std::nullopt;
    }
    // A hybrid book's KF8 text starts after its KF8 header record.
    const std::size_t first = mobi_get_kf8offset(data) + 1;
    const std::size_t count = data->rh->text_record_count;
    const std::size_t recordLimit = mobi_get_textrecord_maxsize(data);
    const std::uint16_t compression = data->rh->compression_type;

    const MOBIPdbRecord* record = data->rec;
    for (std::size_t i = 0; i < first && record; ++i) record = record->next;
    std::size_t capacity = 0;
    for (std::size_t i = 0; i < count; ++i, record = record->next) {
        if (!record) {
            reason = "its header names more text records than the file holds";
            return std::nullopt;
        }
        std::size_t most = recordLimit;
        if (compression == MOBI_COMPRESSION_NONE) most = std::min(recordLimit, record->size);
        if (compression == MOBI_COMPRESSION_PALMDOC) most = std::min(recordLimit, record->size * kPalmDocGrowth);
        capacity += most;
    }
    if (data->rh->text_length > capacity || mobi_get_text_maxsize(data) == MOBI_NOTSET) {
        reason = "its header claims more text than its records hold";
        return std::nullopt;
    }
    return capacity;
}
