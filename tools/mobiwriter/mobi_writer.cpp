// The file layout: a Palm database (PDB) of records.
//   record 0                  PalmDOC header, MOBI header, EXTH block, full name
//   records 1..T              text, 4096 bytes of markup each (the last may be
//                             shorter), PalmDOC-compressed or stored
//   records T+1..T+I          the images, as they are
//   3 records, if any         the NCX index of the table of contents
//   5 records, KF8 only       skeleton index (2), fragment index (2), FDST
//   FLIS, FCIS, end of file   the closing records readers expect
// A UTF-8 character may straddle two text records: the record holding its
// first bytes repeats the rest after its data, followed by a byte giving how
// many (the "multibyte" trailing entry, flag bit 0 in the MOBI header).
// All numbers are big-endian.
#include "mobi_writer.h"

#include "kf8_text.h"
#include "ncx_index.h"
#include "palmdoc_compression.h"
#include "record_bytes.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <fstream>
#include <span>
#include <string_view>
#include <system_error>

namespace {

constexpr std::size_t kTextRecordSize = 4096;
constexpr std::size_t kMaxRecords = 0xFFFF;
constexpr std::size_t kPdbHeaderSize = 78;
constexpr std::size_t kPdbNameSize = 32;
constexpr std::uint16_t kNoCompression = 1;
constexpr std::uint16_t kPalmDocCompression = 2;
constexpr std::uint32_t kMobiHeaderLength = 232;  // from "MOBI" to the end of the NCX index field
constexpr std::uint32_t kKf8HeaderLength = 248;   // to the end of the guide index field
constexpr std::uint32_t kMobiBookType = 2;
constexpr std::uint32_t kMobiVersion = 6;
constexpr std::uint32_t kKf8Version = 8;
constexpr std::uint32_t kUtf8Encoding = 65001;
constexpr std::uint32_t kEnglishLocale = 9;
constexpr std::uint32_t kExthPresent = 0x40;
constexpr std::uint16_t kMultibyteTrailingEntry = 0x0001;
constexpr std::uint32_t kNotSet = 0xFFFFFFFF;
constexpr std::uint32_t kExthAuthor = 100;
constexpr std::uint32_t kExthSubject = 105;
constexpr std::uint32_t kExthCoverOffset = 201;
constexpr std::uint32_t kExthUpdatedTitle = 503;
constexpr std::uint32_t kExthLanguage = 524;

// How many bytes of the UTF-8 character that starts before `end` lie at or
// after `end` (0 when `end` falls between characters).
std::size_t BytesPastBoundary(std::string_view text, std::size_t end)
{
    if (end >= text.size()) return 0;
    for (std::size_t back = 1; back <= 3 && back <= end; ++back) {
        const auto c = static_cast<unsigned char>(text[end - back]);
        if ((c & 0xC0) == 0x80) continue;  // continuation byte: keep looking for the lead
        const std::size_t length = (c & 0xE0) == 0xC0 ? 2 : (c & 0xF0) == 0xE0 ? 3 : (c & 0xF8) == 0xF0 ? 4 : 1;
        return length > back ? std::min(length - back, text.size() - end) : 0;
    }
    return 0;
}

std::vector<Bytes> MakeTextRecords(std::string_view text, bool compress)
{
    std::vector<Bytes> records;
    for (std::size_t start = 0; start < text.size(); start += kTextRecordSize) {
        const std::size_t end = std::min(start + kTextRecordSize, text.size());
        const auto chunk = std::span(reinterpret_cast<const unsigned char*>(text.data()) + start, end - start);
        Bytes record = compress ? CompressPalmDoc(chunk) : Bytes(chunk.begin(), chunk.end());
        const std::size_t overlap = BytesPastBoundary(text, end);
        PutText(record, text.substr(end, overlap));
        Put8(record, static_cast<std::uint8_t>(overlap));
        records.push_back(std::move(record));
    }
    return records;
}

Bytes MakeExth(const MobiBook& book, std::string_view title)
{
    Bytes entries;
    std::uint32_t count = 0;
    auto add = [&](std::uint32_t tag, std::string_view value) {
        Put32(entries, tag);
        Put32(entries, static_cast<std::uint32_t>(8 + value.size()));
        PutText(entries, value);
        ++count;
    };
    if (!book.author.empty()) add(kExthAuthor, book.author);
    for (const std::string& author : book.moreAuthors) add(kExthAuthor, author);
    if (!book.subject.empty()) add(kExthSubject, book.subject);
    if (!book.language.empty()) add(kExthLanguage, book.language);
    if (book.coverOffset) {
        Bytes offset;
        Put32(offset, *book.coverOffset);
        add(kExthCoverOffset, std::string_view(reinterpret_cast<const char*>(offset.data()), offset.size()));
    }
    add(kExthUpdatedTitle, title);

    Bytes exth;
    PutText(exth, "EXTH");
    Put32(exth, static_cast<std::uint32_t>(12 + entries.size()));
    Put32(exth, count);
    exth.insert(exth.end(), entries.begin(), entries.end());
    PadToMultipleOf4(exth);  // the padding is not part of the declared length
    return exth;
}

// Record numbers of the parts after record 0.
struct Layout {
    std::size_t textRecords = 0;
    std::size_t images = 0;
    std::size_t ncxRecords = 0;
    bool kf8 = false;
    std::size_t FirstImage() const { return 1 + textRecords; }
    std::size_t Ncx() const { return FirstImage() + images; }
    std::size_t Skeletons() const { return Ncx() + ncxRecords; }
    std::size_t Fragments() const { return Skeletons() + 2; }
    std::size_t Fdst() const { return Fragments() + 2; }
    std::size_t Flis() const { return kf8 ? Fdst() + 1 : Ncx() + ncxRecords; }
    std::size_t Fcis() const { return Flis() + 1; }
    std::size_t Eof() const { return Fcis() + 1; }
    std::size_t Count() const { return Eof() + 1; }
};

// FNV-1a: a stable unique id for the book, so the same book gives the same file.
std::uint32_t BookId(std::string_view title, std::string_view text)
{
    std::uint32_t hash = 2166136261u;
    for (std::string_view part : {title, text})
        for (char c : part) hash = (hash ^ static_cast<unsigned char>(c)) * 16777619u;
    return hash;
}

Bytes MakeRecord0(const MobiBook& book, std::string_view title, std::string_view text, const Layout& layout)
{
    const std::uint32_t version = layout.kf8 ? kKf8Version : kMobiVersion;
    Bytes r;
    // PalmDOC header
    Put16(r, book.compress ? kPalmDocCompression : kNoCompression);
    Put16(r, 0);
    Put32(r, static_cast<std::uint32_t>(text.size()));
    Put16(r, static_cast<std::uint16_t>(layout.textRecords));
    Put16(r, static_cast<std::uint16_t>(kTextRecordSize));
    Put16(r, 0);  // no encryption
    Put16(r, 0);

    const Bytes exth = MakeExth(book, title);
    const std::uint32_t headerLength = layout.kf8 ? kKf8HeaderLength : kMobiHeaderLength;
    const std::size_t fullNameOffset = 16 + headerLength + exth.size();
    const auto lastContent = layout.images > 0 ? layout.Ncx() - 1 : layout.textRecords;

    // MOBI header; the offsets in the comments count from the start of record 0.
    PutText(r, "MOBI");                                   // 16
    Put32(r, headerLength);                               // 20
    Put32(r, kMobiBookType);                              // 24
    Put32(r, kUtf8Encoding);                              // 28
    Put32(r, BookId(title, text));                        // 32
    Put32(r, version);                                    // 36
    for (int i = 0; i < 10; ++i) Put32(r, kNotSet);       // 40..79: dictionary and extra indexes
    Put32(r, static_cast<std::uint32_t>(layout.FirstImage()));  // 80: first non-book record
    Put32(r, static_cast<std::uint32_t>(fullNameOffset)); // 84
    Put32(r, static_cast<std::uint32_t>(title.size()));   // 88
    Put32(r, kEnglishLocale);                             // 92
    Put32(r, 0);                                          // 96: dictionary input language
    Put32(r, 0);                                          // 100: dictionary output language
    Put32(r, version);                                    // 104: minimum reader version
    Put32(r, static_cast<std::uint32_t>(layout.FirstImage()));  // 108: first image record
    Put32(r, 0);                                          // 112: Huffman record
    Put32(r, 0);                                          // 116: Huffman record count
    Put32(r, 0);                                          // 120: DATP record
    Put32(r, 0);                                          // 124: DATP record count
    Put32(r, kExthPresent);                               // 128
    PutZeros(r, 32);                                      // 132..163
    Put32(r, kNotSet);                                    // 164
    Put32(r, kNotSet);                                    // 168: DRM offset (none)
    Put32(r, 0);                                          // 172: DRM count
    Put32(r, 0);                                          // 176: DRM size
    Put32(r, 0);                                          // 180: DRM flags
    PutZeros(r, 8);                                       // 184..191
    if (layout.kf8) {
        Put32(r, static_cast<std::uint32_t>(layout.Fdst()));  // 192: FDST record
    } else {
        Put16(r, 1);                                      // 192: first content record
        Put16(r, static_cast<std::uint16_t>(lastContent));  // 194: last content record
    }
    Put32(r, 1);                                          // 196: KF8: flows in the FDST record
    Put32(r, static_cast<std::uint32_t>(layout.Fcis()));  // 200
    Put32(r, 1);                                          // 204: FCIS count
    Put32(r, static_cast<std::uint32_t>(layout.Flis()));  // 208
    Put32(r, 1);                                          // 212: FLIS count
    PutZeros(r, 8);                                       // 216..223
    Put32(r, kNotSet);                                    // 224
    Put32(r, 0);                                          // 228
    Put32(r, kNotSet);                                    // 232
    Put32(r, kNotSet);                                    // 236
    Put32(r, kMultibyteTrailingEntry);                    // 240: trailing-entry flags (low half at 242)
    Put32(r, layout.ncxRecords > 0 ? static_cast<std::uint32_t>(layout.Ncx()) : kNotSet);  // 244: NCX index
    if (layout.kf8) {
        Put32(r, static_cast<std::uint32_t>(layout.Fragments()));  // 248: fragment index
        Put32(r, static_cast<std::uint32_t>(layout.Skeletons()));  // 252: skeleton index
        Put32(r, kNotSet);                                         // 256: DATP record
        Put32(r, kNotSet);                                         // 260: guide index
    }

    r.insert(r.end(), exth.begin(), exth.end());
    PutText(r, title);
    PutZeros(r, 2);
    PadToMultipleOf4(r);
    return r;
}

Bytes MakeFlis()
{
    Bytes r;
    PutText(r, "FLIS");
    Put32(r, 8);
    Put16(r, 65);
    Put16(r, 0);
    Put32(r, 0);
    Put32(r, kNotSet);
    Put16(r, 1);
    Put16(r, 3);
    Put32(r, 3);
    Put32(r, 1);
    Put32(r, kNotSet);
    return r;
}

Bytes MakeFcis(std::uint32_t textLength)
{
    Bytes r;
    PutText(r, "FCIS");
    Put32(r, 20);
    Put32(r, 16);
    Put32(r, 1);
    Put32(r, 0);
    Put32(r, textLength);
    Put32(r, 0);
    Put32(r, 32);
    Put32(r, 8);
    Put16(r, 1);
    Put16(r, 1);
    Put32(r, 0);
    return r;
}

Bytes MakeEndOfFile() { return {0xE9, 0x8E, 0x0D, 0x0A}; }

// The database name: the title in ASCII letters, digits and hyphens, every
// other run of bytes as one underscore, at most 31 characters.
std::string PdbName(std::string_view title)
{
    std::string name;
    for (char c : title) {
        const bool keep = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-';
        if (keep)
            name += c;
        else if (name.empty() || name.back() != '_')
            name += '_';
    }
    name.resize(std::min(name.size(), kPdbNameSize - 1));
    return name;
}

Bytes MakePdbHeader(std::string_view name, const std::vector<const Bytes*>& records)
{
    Bytes h;
    PutText(h, name);
    PutZeros(h, kPdbNameSize - name.size());
    Put16(h, 0);  // attributes
    Put16(h, 0);  // version
    // Creation, modification and backup times stay zero so that the same
    // book always gives the same bytes.
    PutZeros(h, 12);
    Put32(h, 0);  // modification number
    Put32(h, 0);  // application info
    Put32(h, 0);  // sort info
    PutText(h, "BOOK");
    PutText(h, "MOBI");
    Put32(h, static_cast<std::uint32_t>(2 * records.size() - 1));  // unique id seed
    Put32(h, 0);  // next record list
    Put16(h, static_cast<std::uint16_t>(records.size()));

    std::size_t offset = kPdbHeaderSize + 8 * records.size() + 2;
    for (std::size_t i = 0; i < records.size(); ++i) {
        Put32(h, static_cast<std::uint32_t>(offset));
        Put32(h, static_cast<std::uint32_t>(2 * i));  // attributes 0, unique id 2*i
        offset += records[i]->size();
    }
    PutZeros(h, 2);
    return h;
}

bool WriteFile(const std::filesystem::path& file, const Bytes& header, const std::vector<const Bytes*>& records)
{
    {
        std::ofstream out(file, std::ios::binary | std::ios::trunc);
        if (!out) return false;
        out.write(reinterpret_cast<const char*>(header.data()), static_cast<std::streamsize>(header.size()));
        for (const Bytes* record : records)
            out.write(reinterpret_cast<const char*>(record->data()), static_cast<std::streamsize>(record->size()));
        out.close();
        if (out) return true;
    }
    std::error_code ignored;
    std::filesystem::remove(file, ignored);
    return false;
}

}  // namespace

bool WriteMobiBook(const std::filesystem::path& file, const MobiBook& book)
{
    const std::string title = book.title.empty() ? std::string("Untitled") : book.title;

    const bool kf8 = !book.kf8Files.empty();
    const Kf8Text kf8Text = kf8 ? MakeKf8Text(book.kf8Files) : Kf8Text();
    const std::string_view markup = kf8 ? std::string_view(kf8Text.text) : std::string_view(book.html);
    const std::vector<Bytes> text = MakeTextRecords(markup, book.compress);
    const std::vector<Bytes> ncx = book.toc.empty() ? std::vector<Bytes>() : MakeNcxRecords(book.toc, kf8);
    const Layout layout{text.size(), book.images.size(), ncx.size(), kf8};
    if (layout.Count() > kMaxRecords) return false;

    const Bytes record0 = MakeRecord0(book, title, markup, layout);
    const Bytes flis = MakeFlis();
    const Bytes fcis = MakeFcis(static_cast<std::uint32_t>(markup.size()));
    const Bytes eof = MakeEndOfFile();

    std::vector<const Bytes*> records{&record0};
    for (const Bytes& record : text) records.push_back(&record);
    for (const Bytes& image : book.images) records.push_back(&image);
    for (const Bytes& record : ncx) records.push_back(&record);
    if (kf8) {
        for (const Bytes& record : kf8Text.skeletonIndex) records.push_back(&record);
        for (const Bytes& record : kf8Text.fragmentIndex) records.push_back(&record);
        records.push_back(&kf8Text.fdst);
    }
    records.insert(records.end(), {&flis, &fcis, &eof});

    std::size_t total = kPdbHeaderSize + 8 * records.size() + 2;
    for (const Bytes* record : records) total += record->size();
    if (total > 0xFFFFFFFFu) return false;  // record offsets are 32-bit

    return WriteFile(file, MakePdbHeader(PdbName(title), records), records);
}
