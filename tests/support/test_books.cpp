// Books for tests, made with the project's MOBI writer.
#include "test_books.h"

#include "sample_book.h"
#include "tiny_gif.h"

#include <algorithm>
#include <cstdio>
#include <fstream>

std::string ChapterHeading(int number) { return "Chapter " + std::to_string(number); }

MobiBook MakeChapterBook(int chapters, const ImageRecords& images)
{
    chapters = std::max(chapters, 1);
    MobiBook book;
    book.title = "Chapter Book";
    book.author = "Corvale Tests";
    book.images = images;

    std::string& html = book.html;
    html = "<html><head><guide></guide></head><body>";
    for (int chapter = 1; chapter <= chapters; ++chapter) {
        if (chapter > 1) html += "<mbp:pagebreak/>";
        html += "<h2>" + ChapterHeading(chapter) + "</h2>";
        html += "<p>This is the first paragraph of chapter " + std::to_string(chapter) +
                ". A naïve reader in a Café might stop here.</p>";
        html += "<p>The second paragraph sends Grüße and closes the chapter.</p>";
        for (std::size_t image = static_cast<std::size_t>(chapter - 1); image < images.size();
             image += static_cast<std::size_t>(chapters)) {
            std::string recindex = std::to_string(image + 1);
            recindex.insert(0, recindex.size() < 5 ? 5 - recindex.size() : 0, '0');
            html += "<p><img recindex=\"" + recindex + "\" /></p>";
        }
    }
    html += "</body></html>";
    return book;
}

MobiBook MakeDescribedBook(const std::string& title, const std::string& secondAuthor)
{
    MobiBook book = MakeChapterBook(1);
    book.title = title;
    book.author = "Anaïs Nin";
    book.moreAuthors = {secondAuthor};
    book.language = "fr";
    book.subject = "Essais; Philosophie";
    return book;
}

MobiBook MakePlainBook()
{
    MobiBook book = MakeChapterBook(1);
    book.title = "Plain";
    book.author.clear();
    return book;
}

const char kChineseParagraph[] =
    "春天到了，公园里的花都开了。"
    "我们一起去看书，也去喝茶。";
const char* const kPersianParagraphs[3] = {
    "این یک کتاب فارسی است.",
    "خواندن کتاب‌ها لازم "
    "است.",
    "سلام به همه دوستان "
    "می‌گوییم.",
};

MobiBook MakeParagraphBook(const std::string& title, const std::vector<std::string>& paragraphs, bool rightToLeft)
{
    MobiBook book;
    book.title = title;
    book.author = "Corvale Tests";
    book.html = "<html><head><guide></guide></head><body>";
    for (const std::string& paragraph : paragraphs)
        book.html += (rightToLeft ? "<p dir=\"rtl\">" : "<p>") + paragraph + "</p>";
    book.html += "</body></html>";
    return book;
}

MobiBook MakeContentsBook(int chapters)
{
    MobiBook book = MakeChapterBook(chapters);
    book.title = "Contents Book";
    const std::string placeholder(10, 'X');
    std::string contents = "<h1>Contents</h1>";
    for (int chapter = 1; chapter <= chapters; ++chapter)
        contents += "<p><a filepos=\"" + placeholder + "\">" + ChapterHeading(chapter) + "</a></p>";
    book.html.insert(book.html.find("<body>") + 6, contents + "<mbp:pagebreak/>");
    // The offsets stay where they are: each placeholder is as long as its number.
    for (int chapter = 1; chapter <= chapters; ++chapter) {
        char digits[16];
        std::snprintf(digits, sizeof digits, "%010zu", book.html.find("<h2>" + ChapterHeading(chapter) + "</h2>"));
        book.html.replace(book.html.find(placeholder), placeholder.size(), digits);
    }
    return book;
}

bool WriteChapterBook(const std::filesystem::path& file, int chapters, const ImageRecords& images)
{
    return WriteMobiBook(file, MakeChapterBook(chapters, images));
}

bool WriteSampleBook(const std::filesystem::path& file) { return WriteMobiBook(file, MakeSampleBook()); }

std::vector<unsigned char> MakeCheckerGif(int width, int height)
{
    if (width < 1 || height < 1) return {};
    std::vector<std::uint8_t> pixels;
    pixels.reserve(static_cast<std::size_t>(width) * static_cast<std::size_t>(height));
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) pixels.push_back(static_cast<std::uint8_t>((x / 4 + y / 4) % 2));
    return EncodeGif(width, height, {{255, 255, 255}, {0, 0, 0}}, pixels);
}

std::vector<unsigned char> MakeSolidGif(int width, int height, unsigned char red, unsigned char green,
                                        unsigned char blue)
{
    if (width < 1 || height < 1) return {};
    const std::vector<std::uint8_t> pixels(static_cast<std::size_t>(width) * static_cast<std::size_t>(height), 0);
    return EncodeGif(width, height, {{red, green, blue}, {0, 0, 0}}, pixels);
}

bool PatchRecord0(const std::filesystem::path& file, std::size_t offset, const std::vector<unsigned char>& bytes)
{
    std::fstream stream(file, std::ios::in | std::ios::out | std::ios::binary);
    unsigned char start[4] = {};
    stream.seekg(78);  // the first entry of the record list: record 0's offset
    stream.read(reinterpret_cast<char*>(start), 4);
    const std::uint32_t record0 = (std::uint32_t{start[0]} << 24) | (std::uint32_t{start[1]} << 16) |
                                  (std::uint32_t{start[2]} << 8) | start[3];
    stream.seekp(static_cast<std::streamoff>(record0 + offset));
    stream.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    return stream.good();
}

std::vector<unsigned char> BigEndian16(std::uint16_t value)
{
    return {static_cast<unsigned char>(value >> 8), static_cast<unsigned char>(value)};
}

std::vector<unsigned char> BigEndian32(std::uint32_t value)
{
    return {static_cast<unsigned char>(value >> 24), static_cast<unsigned char>(value >> 16),
            static_cast<unsigned char>(value >> 8), static_cast<unsigned char>(value)};
}
