// Books from the MOBI writer read back through libmobi, its PalmDOC
// compression against a reference decoder, and its GIFs through giflib.
#include "mobi_writer.h"
#include "palmdoc_compression.h"
#include "run_program.h"
#include "sample_book.h"
#include "temp_dir.h"
#include "test_books.h"
#include "tiny_gif.h"

#include <gif_lib.h>
#include <gtest/gtest.h>
#include <mobi.h>

#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <memory>
#include <optional>
#include <random>
#include <set>
#include <span>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

using Bytes = std::vector<unsigned char>;

struct MobiDataFree {
    void operator()(MOBIData* m) const { mobi_free(m); }
};
struct RawmlFree {
    void operator()(MOBIRawml* r) const { mobi_free_rawml(r); }
};
struct CFree {
    void operator()(char* p) const { std::free(p); }
};
using MobiDataPtr = std::unique_ptr<MOBIData, MobiDataFree>;
using RawmlPtr = std::unique_ptr<MOBIRawml, RawmlFree>;

MobiDataPtr LoadBook(const fs::path& file)
{
    MobiDataPtr m(mobi_init());
    if (!m || mobi_load_filename(m.get(), file.string().c_str()) != MOBI_SUCCESS) return nullptr;
    return m;
}

RawmlPtr ParseBook(const MOBIData* m)
{
    RawmlPtr rawml(mobi_init_rawml(m));
    if (!rawml || mobi_parse_rawml(rawml.get(), m) != MOBI_SUCCESS) return nullptr;
    return rawml;
}

std::string PartText(const MOBIPart* part)
{
    return part ? std::string(reinterpret_cast<const char*>(part->data), part->size) : std::string();
}

std::optional<std::string> MetaText(char* owned)
{
    std::unique_ptr<char, CFree> text(owned);
    if (!text) return std::nullopt;
    return std::string(text.get());
}

Bytes ReadFile(const fs::path& file)
{
    std::ifstream in(file, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// Reference PalmDOC decoder, written from the format's description rather
// than from the encoder. nullopt on a reference before the start or a
// truncated code.
std::optional<Bytes> DecompressPalmDoc(std::span<const unsigned char> in)
{
    Bytes out;
    for (std::size_t i = 0; i < in.size();) {
        const unsigned char c = in[i++];
        if (c >= 0xC0) {
            out.push_back(' ');
            out.push_back(static_cast<unsigned char>(c ^ 0x80));
        } else if (c >= 0x80) {
            if (i >= in.size()) return std::nullopt;
            const unsigned code = (unsigned(c) << 8) | in[i++];
            const std::size_t distance = (code >> 3) & 0x7FF;
            const std::size_t length = (code & 7) + 3;
            if (distance == 0 || distance > out.size()) return std::nullopt;
            for (std::size_t k = 0; k < length; ++k) out.push_back(out[out.size() - distance]);
        } else if (c >= 0x09 || c == 0x00) {
            out.push_back(c);
        } else {
            if (i + c > in.size()) return std::nullopt;
            out.insert(out.end(), in.begin() + static_cast<std::ptrdiff_t>(i),
                       in.begin() + static_cast<std::ptrdiff_t>(i + c));
            i += c;
        }
    }
    return out;
}

Bytes RandomBytes(std::size_t count, unsigned seed, int low = 0, int high = 255)
{
    std::mt19937 generator(seed);
    std::uniform_int_distribution<int> byte(low, high);
    Bytes bytes(count);
    for (auto& b : bytes) b = static_cast<unsigned char>(byte(generator));
    return bytes;
}

// Markup of about `bytes` bytes whose characters are 1, 2, 3 and 4 bytes
// long in an 11-byte cycle, so that over many 4096-byte records every way of
// cutting a character at a record boundary occurs.
std::string MultibyteMarkup(std::size_t bytes)
{
    std::string body;
    while (body.size() < bytes) body += "a\xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80 ";  // a é € 😀 space
    return "<html><head></head><body><p>" + body + "</p></body></html>";
}

Bytes FakeJpeg() { return {0xFF, 0xD8, 0xFF, 0xE0, 0x00, 0x10, 'J', 'F', 'I', 'F', 0x00, 0x01, 0xFF, 0xD9}; }

Bytes FakePng() { return {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A, 0, 0, 0, 0, 'I', 'E', 'N', 'D'}; }

class TempFolder : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_FALSE(temp_.path().empty()); }
    fs::path File(const std::string& name) const { return temp_ / name; }

    TempDir temp_;
};

// ---------------------------------------------------------------------------
// PalmDOC compression

TEST(PalmDocCompression, EmptyInputGivesEmptyOutput) { EXPECT_TRUE(CompressPalmDoc({}).empty()); }

TEST(PalmDocCompression, EveryByteValueRoundTrips)
{
    Bytes input;
    for (int round = 0; round < 3; ++round)
        for (int b = 0; b < 256; ++b) input.push_back(static_cast<unsigned char>(b));
    const Bytes noise = RandomBytes(4096, 7);
    input.insert(input.end(), noise.begin(), noise.end());
    const auto decoded = DecompressPalmDoc(CompressPalmDoc(input));
    ASSERT_TRUE(decoded);
    EXPECT_EQ(*decoded, input);
}

TEST(PalmDocCompression, SpacesBeforeLettersAndControlBytesRoundTrip)
{
    const std::string text = " a b\x01 \x7F \x40\x08\x09 ~ \x80 \xFF  \x3F end ";
    const Bytes input(text.begin(), text.end());
    const auto decoded = DecompressPalmDoc(CompressPalmDoc(input));
    ASSERT_TRUE(decoded);
    EXPECT_EQ(*decoded, input);
}

TEST(PalmDocCompression, RepetitiveTextShrinksAndRoundTrips)
{
    std::string text;
    while (text.size() < 4096) text += "<p>The café by the harbour opened at dawn. </p>";
    text.resize(4096);
    const Bytes input(text.begin(), text.end());
    const Bytes compressed = CompressPalmDoc(input);
    EXPECT_LT(compressed.size(), input.size() / 3);
    const auto decoded = DecompressPalmDoc(compressed);
    ASSERT_TRUE(decoded);
    EXPECT_EQ(*decoded, input);
}

TEST(PalmDocCompression, LongRunsOfOneByteUseOverlappingCopies)
{
    const Bytes input(3000, 'x');
    const Bytes compressed = CompressPalmDoc(input);
    EXPECT_LT(compressed.size(), input.size() / 4);
    const auto decoded = DecompressPalmDoc(compressed);
    ASSERT_TRUE(decoded);
    EXPECT_EQ(*decoded, input);
}

TEST(PalmDocCompression, RepeatsFartherThanTheWindowStayCorrect)
{
    // The same 100 bytes again after 3000 bytes of noise: too far back for a copy.
    const Bytes block = RandomBytes(100, 11, 'a', 'z');
    Bytes input = block;
    const Bytes noise = RandomBytes(3000, 12, 0x20, 0x7E);
    input.insert(input.end(), noise.begin(), noise.end());
    input.insert(input.end(), block.begin(), block.end());
    const auto decoded = DecompressPalmDoc(CompressPalmDoc(input));
    ASSERT_TRUE(decoded);
    EXPECT_EQ(*decoded, input);
}

// ---------------------------------------------------------------------------
// Tiny GIF encoder, checked by decoding with giflib

struct GifFileClose {
    void operator()(GifFileType* gif) const
    {
        int error = 0;
        DGifCloseFile(gif, &error);
    }
};

struct DecodedGif {
    int width = 0;
    int height = 0;
    std::vector<GifColor> palette;
    std::vector<std::uint8_t> pixels;
};

std::optional<DecodedGif> DecodeGif(const Bytes& data)
{
    struct Reader {
        const Bytes* data;
        std::size_t at;
    } reader{&data, 0};
    auto read = [](GifFileType* gif, GifByteType* out, int length) -> int {
        auto* r = static_cast<Reader*>(gif->UserData);
        const std::size_t count = std::min<std::size_t>(static_cast<std::size_t>(length), r->data->size() - r->at);
        std::copy_n(r->data->begin() + static_cast<std::ptrdiff_t>(r->at), count, out);
        r->at += count;
        return static_cast<int>(count);
    };
    int error = 0;
    std::unique_ptr<GifFileType, GifFileClose> gif(DGifOpen(&reader, read, &error));
    if (!gif || DGifSlurp(gif.get()) != GIF_OK || gif->ImageCount < 1 || !gif->SColorMap) return std::nullopt;
    DecodedGif decoded;
    decoded.width = gif->SWidth;
    decoded.height = gif->SHeight;
    for (int i = 0; i < gif->SColorMap->ColorCount; ++i) {
        const GifColorType& c = gif->SColorMap->Colors[i];
        decoded.palette.push_back({c.Red, c.Green, c.Blue});
    }
    const SavedImage& image = gif->SavedImages[0];
    const std::size_t size = static_cast<std::size_t>(image.ImageDesc.Width) * static_cast<std::size_t>(image.ImageDesc.Height);
    decoded.pixels.assign(image.RasterBits, image.RasterBits + size);
    return decoded;
}

TEST(TinyGif, DecodesToTheSamePixelsForEveryPaletteSize)
{
    for (const std::size_t colors : {1u, 2u, 3u, 5u, 16u, 17u, 200u, 256u}) {
        SCOPED_TRACE("palette of " + std::to_string(colors));
        std::vector<GifColor> palette;
        for (std::size_t i = 0; i < colors; ++i)
            palette.push_back({static_cast<std::uint8_t>(i), static_cast<std::uint8_t>(255 - i), static_cast<std::uint8_t>(i * 7)});
        const int width = 37, height = 23;  // odd sizes: clear codes land anywhere in a row
        const Bytes random = RandomBytes(width * height, static_cast<unsigned>(colors), 0, static_cast<int>(colors - 1));
        const std::vector<std::uint8_t> pixels(random.begin(), random.end());

        const Bytes gif = EncodeGif(width, height, palette, pixels);
        ASSERT_FALSE(gif.empty());
        const auto decoded = DecodeGif(gif);
        ASSERT_TRUE(decoded);
        EXPECT_EQ(decoded->width, width);
        EXPECT_EQ(decoded->height, height);
        ASSERT_GE(decoded->palette.size(), colors);
        EXPECT_EQ(std::vector<GifColor>(decoded->palette.begin(), decoded->palette.begin() + static_cast<std::ptrdiff_t>(colors)), palette);
        EXPECT_EQ(decoded->pixels, pixels);
    }
}

TEST(TinyGif, RefusesIndexesOutsideThePaletteAndBadSizes)
{
    EXPECT_TRUE(EncodeGif(2, 1, {{0, 0, 0}}, {0, 1}).empty());
    EXPECT_TRUE(EncodeGif(0, 1, {{0, 0, 0}}, {}).empty());
    EXPECT_TRUE(EncodeGif(2, 2, {{0, 0, 0}}, {0, 0, 0}).empty());
    EXPECT_TRUE(EncodeGif(1, 1, {}, {0}).empty());
}

TEST(TinyGif, CheckerGifIsACheckerboard)
{
    const auto decoded = DecodeGif(MakeCheckerGif(16, 8));
    ASSERT_TRUE(decoded);
    ASSERT_EQ(decoded->pixels.size(), 16u * 8u);
    EXPECT_EQ(decoded->pixels[0], 0);
    EXPECT_EQ(decoded->pixels[4], 1);
    EXPECT_EQ(decoded->pixels[4 * 16], 1);
    EXPECT_EQ(decoded->pixels[4 * 16 + 4], 0);
}

// ---------------------------------------------------------------------------
// Layout of the written file, as libmobi sees it

class MobiWriterLayout : public TempFolder {};

TEST_F(MobiWriterLayout, HeadersDescribeAnUnencryptedMobipocket6Book)
{
    const fs::path file = File("book.mobi");
    ASSERT_TRUE(WriteChapterBook(file, 3, {MakeCheckerGif(8, 8), FakeJpeg()}));
    const auto m = LoadBook(file);
    ASSERT_TRUE(m);
    EXPECT_STREQ(m->ph->type, "BOOK");
    EXPECT_STREQ(m->ph->creator, "MOBI");
    EXPECT_EQ(m->rh->compression_type, 2);
    EXPECT_EQ(m->rh->text_record_size, 4096);
    EXPECT_EQ(m->rh->encryption_type, 0);
    EXPECT_FALSE(mobi_is_encrypted(m.get()));
    ASSERT_TRUE(m->mh);
    EXPECT_STREQ(m->mh->mobi_magic, "MOBI");
    ASSERT_TRUE(m->mh->version && m->mh->mobi_type && m->mh->text_encoding && m->mh->exth_flags);
    EXPECT_EQ(*m->mh->version, 6u);
    EXPECT_EQ(mobi_get_fileversion(m.get()), 6u);
    EXPECT_EQ(*m->mh->mobi_type, 2u);
    EXPECT_EQ(*m->mh->text_encoding, MOBI_UTF8);
    EXPECT_TRUE(*m->mh->exth_flags & 0x40);
    EXPECT_TRUE(m->eh);
    EXPECT_FALSE(mobi_exists_fdst(m.get()));

    const std::size_t firstImage = m->rh->text_record_count + 1u;
    ASSERT_TRUE(m->mh->image_index && m->mh->non_text_index);
    EXPECT_EQ(*m->mh->image_index, firstImage);
    EXPECT_EQ(*m->mh->non_text_index, firstImage);
    EXPECT_EQ(mobi_get_first_resource_record(m.get()), firstImage);
    // record 0, text, two images, FLIS, FCIS, end of file
    EXPECT_EQ(m->ph->rec_count, firstImage + 2 + 3);
    const MOBIPdbRecord* flis = mobi_get_record_by_seqnumber(m.get(), firstImage + 2);
    ASSERT_TRUE(flis && flis->size >= 4);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(flis->data), 4), "FLIS");
    ASSERT_TRUE(m->mh->flis_index && m->mh->fcis_index);
    EXPECT_EQ(*m->mh->flis_index, firstImage + 2);
    EXPECT_EQ(*m->mh->fcis_index, firstImage + 3);
}

TEST_F(MobiWriterLayout, UncompressedBooksSayCompressionOne)
{
    MobiBook book = MakeChapterBook(2);
    book.compress = false;
    const fs::path file = File("plain.mobi");
    ASSERT_TRUE(WriteMobiBook(file, book));
    const auto m = LoadBook(file);
    ASSERT_TRUE(m);
    EXPECT_EQ(m->rh->compression_type, 1);
}

TEST_F(MobiWriterLayout, TextRecordsHoldAtMost4096BytesWithTrailingOverlap)
{
    for (const bool compress : {true, false}) {
        SCOPED_TRACE(compress ? "compressed" : "stored");
        MobiBook book;
        book.title = "Records";
        book.html = MultibyteMarkup(30 * 4096);
        book.compress = compress;
        const fs::path file = File("records.mobi");
        ASSERT_TRUE(WriteMobiBook(file, book));
        const auto m = LoadBook(file);
        ASSERT_TRUE(m);
        ASSERT_TRUE(m->mh->extra_flags);
        EXPECT_EQ(*m->mh->extra_flags, 1);  // multibyte trailing entries only
        EXPECT_EQ(m->rh->text_length, book.html.size());
        const std::size_t records = (book.html.size() + 4095) / 4096;
        ASSERT_EQ(m->rh->text_record_count, records);

        std::string joined;
        std::set<int> overlapsSeen;
        for (std::size_t i = 1; i <= records; ++i) {
            const MOBIPdbRecord* record = mobi_get_record_by_seqnumber(m.get(), i);
            ASSERT_TRUE(record && record->size >= 1);
            const std::size_t overlap = record->data[record->size - 1] & 3;
            ASSERT_LE(overlap + 1, record->size);
            const std::span<const unsigned char> data(record->data, record->size - overlap - 1);
            const Bytes text = compress ? DecompressPalmDoc(data).value_or(Bytes{}) : Bytes(data.begin(), data.end());
            EXPECT_EQ(text.size(), i < records ? 4096u : book.html.size() - 4096 * (records - 1));
            joined.append(text.begin(), text.end());
            // The repeated bytes are the start of the next record's text.
            const std::string repeated(reinterpret_cast<const char*>(record->data) + record->size - overlap - 1, overlap);
            const std::string next = i < records ? book.html.substr(4096 * i, overlap) : std::string();
            EXPECT_EQ(repeated, next) << "record " << i;
            overlapsSeen.insert(static_cast<int>(overlap));
        }
        EXPECT_EQ(joined, book.html);
        EXPECT_EQ(overlapsSeen, (std::set<int>{0, 1, 2, 3}));
    }
}

TEST_F(MobiWriterLayout, DatabaseNameIsAsciiFromTheTitle)
{
    MobiBook book = MakeChapterBook(1);
    book.title = "Grüße aus Köln: a title far longer than thirty-one bytes";
    const fs::path file = File("name.mobi");
    ASSERT_TRUE(WriteMobiBook(file, book));
    const auto m = LoadBook(file);
    ASSERT_TRUE(m);
    const std::string name = m->ph->name;
    EXPECT_EQ(name, "Gr_e_aus_K_ln_a_title_far_longe");
    EXPECT_LE(name.size(), 31u);
}

TEST_F(MobiWriterLayout, SameBookGivesSameBytes)
{
    ASSERT_TRUE(WriteChapterBook(File("a.mobi"), 4, {MakeCheckerGif(5, 5)}));
    ASSERT_TRUE(WriteChapterBook(File("b.mobi"), 4, {MakeCheckerGif(5, 5)}));
    const Bytes a = ReadFile(File("a.mobi"));
    EXPECT_FALSE(a.empty());
    EXPECT_EQ(a, ReadFile(File("b.mobi")));
}

// ---------------------------------------------------------------------------
// Books read back through libmobi

class MobiWriterRoundTrip : public TempFolder {
protected:
    // Writes, loads and parses `book`; the flow text must be its markup.
    void ExpectTextComesBack(const MobiBook& book)
    {
        const fs::path file = File("roundtrip.mobi");
        ASSERT_TRUE(WriteMobiBook(file, book));
        const auto m = LoadBook(file);
        ASSERT_TRUE(m);
        const auto rawml = ParseBook(m.get());
        ASSERT_TRUE(rawml);
        ASSERT_TRUE(rawml->flow);
        EXPECT_EQ(PartText(rawml->flow), book.html);
    }
};

TEST_F(MobiWriterRoundTrip, CompressedTextComesBackExactly) { ExpectTextComesBack(MakeChapterBook(3)); }

TEST_F(MobiWriterRoundTrip, UncompressedTextComesBackExactly)
{
    MobiBook book = MakeChapterBook(3);
    book.compress = false;
    ExpectTextComesBack(book);
}

TEST_F(MobiWriterRoundTrip, TextOverManyRecordsWithCharactersAcrossBoundaries)
{
    for (const bool compress : {true, false}) {
        SCOPED_TRACE(compress ? "compressed" : "stored");
        MobiBook book;
        book.title = "Long";
        book.author = "Someone";
        book.html = MultibyteMarkup(60 * 4096 + 123);
        book.compress = compress;
        ExpectTextComesBack(book);
    }
}

TEST_F(MobiWriterRoundTrip, ManyChaptersComeBackExactly) { ExpectTextComesBack(MakeChapterBook(120)); }

TEST_F(MobiWriterRoundTrip, MarkupWithoutImagesIsUnchanged)
{
    const MobiBook book = MakeChapterBook(2);
    const fs::path file = File("markup.mobi");
    ASSERT_TRUE(WriteMobiBook(file, book));
    const auto m = LoadBook(file);
    ASSERT_TRUE(m);
    const auto rawml = ParseBook(m.get());
    ASSERT_TRUE(rawml && rawml->markup);
    EXPECT_EQ(PartText(rawml->markup), book.html);
    EXPECT_EQ(rawml->markup->type, T_HTML);
}

TEST_F(MobiWriterRoundTrip, ImagesComeBackAsResourcesOfTheirType)
{
    const Bytes gif = MakeCheckerGif(12, 10);
    const Bytes png = FakePng();
    const Bytes jpeg = FakeJpeg();
    const MobiBook book = MakeChapterBook(2, {gif, jpeg, png});
    const fs::path file = File("images.mobi");
    ASSERT_TRUE(WriteMobiBook(file, book));
    const auto m = LoadBook(file);
    ASSERT_TRUE(m);
    const auto rawml = ParseBook(m.get());
    ASSERT_TRUE(rawml);

    const MOBIPart* first = mobi_get_resource_by_uid(rawml.get(), 0);
    const MOBIPart* second = mobi_get_resource_by_uid(rawml.get(), 1);
    const MOBIPart* third = mobi_get_resource_by_uid(rawml.get(), 2);
    ASSERT_TRUE(first && second && third);
    EXPECT_EQ(first->type, T_GIF);
    EXPECT_EQ(second->type, T_JPG);
    EXPECT_EQ(third->type, T_PNG);
    EXPECT_EQ(Bytes(first->data, first->data + first->size), gif);
    EXPECT_EQ(Bytes(second->data, second->data + second->size), jpeg);
    EXPECT_EQ(Bytes(third->data, third->data + third->size), png);
    // No other image is found, so the closing records are not taken for images.
    for (const MOBIPart* part = rawml->resources; part; part = part->next) {
        if (part->uid <= 2) continue;
        EXPECT_TRUE(part->type != T_GIF && part->type != T_JPG && part->type != T_PNG && part->type != T_BMP)
            << "resource " << part->uid;
    }

    // The flow keeps recindex; the reconstructed markup names the resources.
    EXPECT_EQ(PartText(rawml->flow), book.html);
    const std::string markup = PartText(rawml->markup);
    EXPECT_EQ(markup.find("recindex"), std::string::npos);
    EXPECT_NE(markup.find("resource00000.gif"), std::string::npos);
    EXPECT_NE(markup.find("resource00001.jpg"), std::string::npos);
    EXPECT_NE(markup.find("resource00002.png"), std::string::npos);
}

// A KF8 book comes back as its files, each assembled from its skeleton and
// fragments, with its NCX entries naming fragments and offsets.
TEST_F(MobiWriterRoundTrip, Kf8FilesComeBackFromTheirFragmentsAndTheNcxNamesFragments)
{
    MobiBook book;
    book.title = "KF8";
    book.author = "Someone";
    const std::string skeleton = "<html><head></head><body></body></html>";
    const std::size_t body = skeleton.find("</body>");
    book.kf8Files = {{skeleton, body, {"<p>One</p>"}}, {skeleton, body, {"<h2>Two</h2>", "<p>x</p><h3>Three</h3>"}}};
    book.toc = {{"Two", 0, {{"Three", 0, {}, 2, 8}}, 1, 0}};
    const fs::path file = File("kf8.mobi");
    ASSERT_TRUE(WriteMobiBook(file, book));
    const auto m = LoadBook(file);
    ASSERT_TRUE(m);
    EXPECT_TRUE(mobi_is_kf8(m.get()));
    const auto rawml = ParseBook(m.get());
    ASSERT_TRUE(rawml && rawml->frag && rawml->skel && rawml->ncx);

    const std::vector<std::string> expected = {"<html><head></head><body><p>One</p></body></html>",
                                               "<html><head></head><body><h2>Two</h2><p>x</p><h3>Three</h3></body></html>"};
    std::vector<std::string> files;
    for (const MOBIPart* part = rawml->markup; part; part = part->next) files.push_back(PartText(part));
    EXPECT_EQ(files, expected);

    // Entries in the index's order (breadth first): fragment and offset under tag 6.
    const std::vector<std::pair<std::uint32_t, std::uint32_t>> positions = {{1, 0}, {2, 8}};
    ASSERT_EQ(rawml->ncx->entries_count, positions.size());
    for (std::size_t i = 0; i < positions.size(); ++i) {
        const MOBIIndexEntry& entry = rawml->ncx->entries[i];
        std::optional<std::pair<std::uint32_t, std::uint32_t>> position;
        for (std::size_t t = 0; t < entry.tags_count; ++t)
            if (entry.tags[t].tagid == 6 && entry.tags[t].tagvalues_count == 2)
                position = std::pair(entry.tags[t].tagvalues[0], entry.tags[t].tagvalues[1]);
        EXPECT_EQ(position, positions[i]) << i;
    }
}

TEST_F(MobiWriterRoundTrip, TitleAndAuthorReadBack)
{
    MobiBook book = MakeChapterBook(1);
    book.title = "Œuvre complète — Grüße";
    book.author = "Anaïs Façade";
    const fs::path file = File("meta.mobi");
    ASSERT_TRUE(WriteMobiBook(file, book));
    const auto m = LoadBook(file);
    ASSERT_TRUE(m);
    EXPECT_EQ(MetaText(mobi_meta_get_title(m.get())), book.title);
    EXPECT_EQ(MetaText(mobi_meta_get_author(m.get())), book.author);
    ASSERT_TRUE(m->mh->full_name);
    EXPECT_EQ(std::string(m->mh->full_name), book.title);
    char fullName[256] = {};
    ASSERT_EQ(mobi_get_fullname(m.get(), fullName, sizeof fullName - 1), MOBI_SUCCESS);
    EXPECT_EQ(std::string(fullName), book.title);
}

TEST_F(MobiWriterRoundTrip, EmptyAuthorIsLeftOutAndEmptyTitleIsUntitled)
{
    MobiBook book = MakeChapterBook(1);
    book.title.clear();
    book.author.clear();
    const fs::path file = File("anonymous.mobi");
    ASSERT_TRUE(WriteMobiBook(file, book));
    const auto m = LoadBook(file);
    ASSERT_TRUE(m);
    EXPECT_EQ(MetaText(mobi_meta_get_author(m.get())), std::nullopt);
    EXPECT_EQ(MetaText(mobi_meta_get_title(m.get())), "Untitled");
    ASSERT_TRUE(ParseBook(m.get()));
}

TEST_F(MobiWriterRoundTrip, NonAsciiFileNameWorks)
{
    const fs::path file = temp_.path() / fs::path(u8"Grüße Œuvre – café.mobi");
    ASSERT_TRUE(WriteChapterBook(file, 2));
    std::error_code ec;
    EXPECT_TRUE(fs::is_regular_file(file, ec));
    const auto m = LoadBook(file);
    ASSERT_TRUE(m);
    EXPECT_TRUE(ParseBook(m.get()));
}

TEST_F(MobiWriterRoundTrip, ExistingFileIsReplaced)
{
    const fs::path file = File("replace.mobi");
    ASSERT_TRUE(WriteChapterBook(file, 200));
    const MobiBook small = MakeChapterBook(1);
    ASSERT_TRUE(WriteMobiBook(file, small));
    const auto m = LoadBook(file);
    ASSERT_TRUE(m);
    const auto rawml = ParseBook(m.get());
    ASSERT_TRUE(rawml);
    EXPECT_EQ(PartText(rawml->flow), small.html);
}

TEST_F(MobiWriterRoundTrip, WritingIntoAMissingFolderFails)
{
    const fs::path file = File("missing") / "book.mobi";
    EXPECT_FALSE(WriteChapterBook(file, 1));
    std::error_code ec;
    EXPECT_FALSE(fs::exists(file, ec));
}

TEST_F(MobiWriterRoundTrip, BooksOverTheRecordLimitAreRefusedWithoutAFile)
{
    // Record 0, one text record, the images and three closing records: at
    // most 65535 in all.
    MobiBook book = MakeChapterBook(1);
    book.images.assign(65530, Bytes{});
    EXPECT_TRUE(WriteMobiBook(File("largest.mobi"), book));
    book.images.emplace_back();
    const fs::path file = File("too_large.mobi");
    EXPECT_FALSE(WriteMobiBook(file, book));
    std::error_code ec;
    EXPECT_FALSE(fs::exists(file, ec));
}

// ---------------------------------------------------------------------------
// The sample book

class SampleBook : public TempFolder {};

TEST_F(SampleBook, LoadsWithChaptersPageBreaksAndGifs)
{
    const fs::path file = File("sample.mobi");
    ASSERT_TRUE(WriteSampleBook(file));
    const auto m = LoadBook(file);
    ASSERT_TRUE(m);
    EXPECT_FALSE(mobi_is_encrypted(m.get()));
    const auto rawml = ParseBook(m.get());
    ASSERT_TRUE(rawml);

    const MobiBook book = MakeSampleBook();
    const std::string flow = PartText(rawml->flow);
    EXPECT_EQ(flow, book.html);
    for (const char* word : {"Café", "naïve", "Grüße", "Œuvre", "façade"})
        EXPECT_NE(flow.find(word), std::string::npos) << word;
    std::size_t breaks = 0;
    for (std::size_t at = flow.find("<mbp:pagebreak/>"); at != std::string::npos; at = flow.find("<mbp:pagebreak/>", at + 1))
        ++breaks;
    EXPECT_GE(breaks, 2u);
    std::size_t headings = 0;
    for (std::size_t at = flow.find("<h2>"); at != std::string::npos; at = flow.find("<h2>", at + 1)) ++headings;
    EXPECT_EQ(headings, breaks + 1);

    ASSERT_FALSE(book.images.empty());
    for (std::size_t i = 0; i < book.images.size(); ++i) {
        const MOBIPart* image = mobi_get_resource_by_uid(rawml.get(), i);
        ASSERT_TRUE(image);
        EXPECT_EQ(image->type, T_GIF);
        const Bytes data(image->data, image->data + image->size);
        EXPECT_EQ(data, book.images[i]);
        EXPECT_TRUE(DecodeGif(data)) << "image " << i;
        EXPECT_NE(PartText(rawml->markup).find("resource0000" + std::to_string(i) + ".gif"), std::string::npos);
    }
}

TEST_F(SampleBook, ToolWritesTheSameBookAndReportsFailures)
{
    const fs::path tool = MAKE_SAMPLE_BOOK_PATH;
    const fs::path file = File("from tool.mobi");
    ASSERT_TRUE(WriteSampleBook(File("direct.mobi")));
    EXPECT_EQ(RunProgram(tool.string(), {file.string()}).exitCode, 0);
    EXPECT_EQ(ReadFile(file), ReadFile(File("direct.mobi")));

    EXPECT_NE(RunProgram(tool.string(), {}).exitCode, 0);  // no output file given
    const fs::path unwritable = File("missing") / "book.mobi";
    EXPECT_NE(RunProgram(tool.string(), {unwritable.string()}).exitCode, 0);
}

}  // namespace
