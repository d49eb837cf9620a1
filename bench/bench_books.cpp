#include "bench_books.h"

#include "tiny_gif.h"

#include <cstdint>
#include <cstdio>

namespace {

// A varied prose paragraph, so compression and rendering see ordinary text.
const char* const kSentences[] = {
    "The harbour master counted the boats twice before he trusted the number. ",
    "Rain came in from the west and the caf\xC3\xA9 windows fogged over by noon. ",
    "She wrote the letter in pencil, na\xC3\xAFve enough to think it would be read. ",
    "Nobody remembered who had first painted the lighthouse in red stripes. ",
    "A gull stood on the rail, watching the ferry with professional patience. ",
    "The library kept its maps in long drawers that smelled of cedar and dust. ",
};

const char* const kWords[] = {"harbour", "lighthouse", "cedar", "ferry", "gull", "pencil", "caf\xC3\xA9", "stripe"};

std::vector<unsigned char> MakePicture(int seed)
{
    constexpr int kWidth = 160, kHeight = 100;
    const std::vector<GifColor> palette = {{30, 60, 120}, {200, 220, 240}, {240, 180, 40}, {60, 140, 70}};
    std::vector<std::uint8_t> pixels(kWidth * kHeight);
    for (int y = 0; y < kHeight; ++y)
        for (int x = 0; x < kWidth; ++x)
            pixels[static_cast<size_t>(y * kWidth + x)] = static_cast<std::uint8_t>(((x + seed) / 16 + y / 20) % 4);
    return EncodeGif(kWidth, kHeight, palette, pixels);
}

}  // namespace

const std::vector<BenchBook>& BenchBooks(bool quick)
{
    static const std::vector<BenchBook> all = {
        {"small", 20 * 1024, 2},
        {"short", 100 * 1024, 4},
        {"medium", 500 * 1024, 10},
        {"large", 2 * 1024 * 1024, 30},
        {"huge", 6 * 1024 * 1024, 60},
        {"dictionary", 0, 0, 13000},
    };
    static const std::vector<BenchBook> few(all.begin(), all.begin() + 3);
    return quick ? few : all;
}

namespace {

// A dictionary as Kindle dictionaries are made: one short entry after
// another, each on a page of its own, about 400 bytes of markup each.
MobiBook MakeDictionaryBook(const BenchBook& wanted)
{
    MobiBook book;
    book.title = "Bench " + wanted.name;
    book.author = "Corvale";
    std::string& html = book.html;
    html = "<html><head><title>" + book.title + "</title></head><body>";
    for (int entry = 0; entry < wanted.entries; ++entry) {
        if (entry > 0)
            html += "<mbp:pagebreak/>";
        const std::string word = std::string(kWords[entry % 8]) + std::to_string(entry);
        html += "<h3>" + word + "</h3><p><b>" + word + "</b> <i>n.</i> ";
        html += kSentences[entry % 6];
        html += kSentences[(entry + 3) % 6];
        html += "</p><p><i>See also</i> " + std::string(kWords[(entry + 5) % 8]) + ".</p>";
    }
    html += "</body></html>";
    return book;
}

}  // namespace

MobiBook MakeBenchBook(const BenchBook& wanted)
{
    if (wanted.entries > 0)
        return MakeDictionaryBook(wanted);
    MobiBook book;
    book.title = "Bench " + wanted.name;
    book.author = "Corvale";
    std::string& html = book.html;
    html = "<html><head><title>" + book.title + "</title></head><body>";
    const size_t chapterBytes = wanted.textBytes / 20 + 1;
    int chapter = 0, sentence = 0, image = 0;
    size_t chapterStart = 0;
    while (html.size() < wanted.textBytes) {
        if (html.size() >= chapterStart) {
            if (chapter > 0)
                html += "<mbp:pagebreak/>";
            html += "<h2>Chapter " + std::to_string(++chapter) + "</h2>";
            chapterStart = html.size() + chapterBytes;
        }
        html += "<p>";
        for (int i = 0; i < 6; ++i)
            html += kSentences[sentence++ % 6];
        html += "</p>";
        if (image < wanted.images && html.size() * static_cast<size_t>(wanted.images) >= wanted.textBytes * static_cast<size_t>(image)) {
            char index[16];
            std::snprintf(index, sizeof index, "%05d", image + 1);
            html += "<p><img recindex=\"" + std::string(index) + "\"></p>";
            book.images.push_back(MakePicture(image++));
        }
    }
    html += "</body></html>";
    return book;
}
