// mobi2html INPUT OUTDIR
// Unpacks a MOBI book into OUTDIR/<input name without extension>.html and
// the images that page refers to (OUTDIR/images/...), ready to be rendered
// into a PDF. On failure it prints one line to standard error, exits with a
// non-zero status and leaves no page behind.
#include "book.h"
#include "base/die_with_parent.h"
#include "image_export.h"
#include "output_folder.h"
#include "page_builder.h"

#include <filesystem>
#include <iostream>
#include <string>

namespace fs = std::filesystem;

namespace {

constexpr int kFailed = 1;
constexpr int kUsage = 2;

int Fail(const fs::path& subject, const std::string& reason)
{
    std::cerr << "mobi2html: " << PathText(subject) << ": " << reason << std::endl;
    return kFailed;
}

int Convert(const fs::path& input, const fs::path& outputFolder)
{
    const Book::LoadResult loaded = Book::Load(input);
    if (!loaded.book) return Fail(input, loaded.error);

    OutputFolder folder(outputFolder);
    std::string error;
    if (!folder.Create(error)) return Fail(outputFolder, error);

    BookFiles files(*loaded.book, folder);
    const std::string page = BuildPage(loaded.book->Document(), files);
    if (!files.Error().empty()) return Fail(outputFolder, files.Error());

    fs::path pageName = input.filename();
    pageName.replace_extension(".html");
    if (!folder.WriteFileWhole(pageName, page, error)) return Fail(outputFolder, error);
    folder.Commit();
    return 0;
}

}  // namespace

#ifdef _WIN32
int wmain(int argc, wchar_t** argv)
#else
int main(int argc, char** argv)
#endif
{
    if (!DieWithParent()) return kFailed;  // the program that wanted the page is gone
    if (argc != 3) {
        std::cerr << "usage: mobi2html INPUT OUTDIR" << std::endl;
        return kUsage;
    }
    return Convert(fs::path(argv[1]), fs::path(argv[2]));
}
