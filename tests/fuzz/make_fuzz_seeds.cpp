// make-fuzz-seeds FOLDER
// Writes the fuzz targets' first inputs into FOLDER/pages, FOLDER/pictures
// and FOLDER/books: small pages, pictures and books of the kinds the
// program meets, each showing a feature the fuzzer may then vary.
#include "mobi_writer.h"
#include "sample_book.h"
#include "test_books.h"
#include "tiny_gif.h"

#include "picture_codec.h"

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

// Pages as mobi2html writes them: head facts, the hidden contents list,
// page breaks, pictures, links, and the nesting a piece is cut inside.
const struct {
    const char* name;
    const char* html;
} kPages[] = {
    {"contents.html",
     "<!DOCTYPE html><html lang=\"en\"><head><meta charset=\"utf-8\"><title>A &amp; B</title>"
     "<meta name=\"author\" content=\"Ann\"><meta name=\"corvale-cover\" content=\"c.jpg\"></head><body>"
     "<nav id=\"corvale-toc\" hidden style=\"display:none\"><ol><li><a href=\"#c1\">One</a><ol><li>"
     "<a href=\"#c2\">Two</a></li></ol></li></ol></nav><h2 id=\"c1\">One</h2><p>x</p>"
     "<div style=\"page-break-before:always\"></div>\n<h2 id=\"c2\">Two</h2><p><a href=\"#c1\">back</a></p>"
     "</body></html>"},
    {"nested.html",
     "<html><head></head><body><div><section><p><b>a<div style=\"page-break-before:always\"></div>\n"
     "b</b></p><ul><li>c<div style=\"page-break-before:always\"></div>\n<li>d</ul>"
     "<table><tr><td>e<div style=\"page-break-before:always\"></div>\n</td></tr></table></section>"
     "<svg><div/><math></math></svg><plaintext><div style=\"page-break-before:always\"></div>\n</body></html>"},
    {"pictures.html",
     "<html><head><style>p{background:url('a.png')}</style></head><body><img src=\"a%20b.gif?x#y\">"
     "<image href=\"c.png\"/><p style=\"background-image:url(d.jpg)\" id=\"d\">t</p><a href=\"#d\"></a>"
     "<div style=\"page-break-before:always\"></div>\n<h1 id=\"e\"><a href=\"#e\">e</a></h1></body></html>"},
};

bool WriteBytes(const fs::path& file, const void* bytes, std::size_t size)
{
    std::ofstream out(file, std::ios::binary | std::ios::trunc);
    out.write(static_cast<const char*>(bytes), static_cast<std::streamsize>(size));
    return static_cast<bool>(out.flush());
}

// A small picture with a gradient, written by the renderer's own writer.
bool WritePicture(const fs::path& file, bool jpeg)
{
    const PictureSize size{7, 5};
    const auto writer = jpeg ? CreateJpegWriter(file, size) : CreatePngWriter(file, size);
    if (!writer) return false;
    std::vector<std::uint8_t> row(size.width * 4);
    for (std::uint32_t y = 0; y < size.height; ++y) {
        for (std::uint32_t x = 0; x < size.width; ++x) {
            const std::uint8_t level = static_cast<std::uint8_t>(x * 30 + y * 10);
            row[x * 4 + 0] = level;
            row[x * 4 + 1] = static_cast<std::uint8_t>(255 - level);
            row[x * 4 + 2] = 128;
            row[x * 4 + 3] = static_cast<std::uint8_t>(y * 60);
        }
        if (!writer->Write(row.data())) return false;
    }
    return writer->Finish();
}

std::vector<unsigned char> SmallGif()
{
    return EncodeGif(3, 2, {{0, 0, 0}, {255, 0, 0}, {0, 0, 255}}, {0, 1, 2, 2, 1, 0});
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fputs("usage: make-fuzz-seeds FOLDER\n", stderr);
        return 2;
    }
    const fs::path root(argv[1]);
    std::error_code error;
    // Written anew each time: the picture writers make new files only.
    for (const char* folder : {"pages", "pictures", "books"}) {
        fs::remove_all(root / folder, error);
        fs::create_directories(root / folder, error);
    }

    bool written = true;
    for (const auto& [name, html] : kPages) written = WriteBytes(root / "pages" / name, html, std::string(html).size()) && written;

    const std::vector<unsigned char> gif = SmallGif();
    written = WriteBytes(root / "pictures" / "small.gif", gif.data(), gif.size()) && written;
    written = WritePicture(root / "pictures" / "small.png", false) && written;
    written = WritePicture(root / "pictures" / "small.jpg", true) && written;

    written = WriteMobiBook(root / "books" / "chapters.mobi", MakeChapterBook(2, {gif})) && written;
    written = WriteMobiBook(root / "books" / "contents.mobi", MakeContentsBook(3)) && written;
    written = WriteMobiBook(root / "books" / "sample.mobi", MakeSampleBook()) && written;
    MobiBook plain = MakePlainBook();
    plain.compress = false;
    written = WriteMobiBook(root / "books" / "plain.mobi", plain) && written;
    if (!written) {
        std::fprintf(stderr, "make-fuzz-seeds: cannot write the seeds into %s\n", root.c_str());
        return 1;
    }
    return 0;
}
