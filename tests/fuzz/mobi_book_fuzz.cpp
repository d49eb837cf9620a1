// mobi2html on any file handed to it as a book: libmobi's reading of it,
// the book's text, contents and pictures taken from it, and the page
// built, with its pictures written into a folder that is removed again.
#include "fuzz_target.h"
#include "scratch_file.h"

#include "book.h"
#include "image_export.h"
#include "output_folder.h"
#include "page_builder.h"

#include <string>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    static const ScratchFile scratch(".mobi");
    if (!scratch.Write(data, size)) return 0;
    const Book::LoadResult loaded = Book::Load(scratch.Path());
    if (!loaded.book) return 0;

    OutputFolder folder(scratch.Folder());  // rolled back when it ends
    std::string error;
    if (!folder.Create(error)) return 0;
    BookFiles files(*loaded.book, folder);
    BuildPage(loaded.book->Document(), files);
    return 0;
}
