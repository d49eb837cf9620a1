// make-sample-book OUTPUT.mobi: writes the project's sample book. Prints
// nothing on success; a message on stderr and exit code 1 on failure.
#include "sample_book.h"

#include <cstdio>
#include <filesystem>
#include <string>

#ifdef _WIN32
int wmain(int argc, wchar_t** argv)  // wide arguments keep non-ASCII file names intact
#else
int main(int argc, char** argv)
#endif
{
    if (argc != 2) {
        std::fputs("usage: make-sample-book OUTPUT.mobi\n", stderr);
        return 1;
    }
    const std::filesystem::path output(argv[1]);
    if (!WriteMobiBook(output, MakeSampleBook())) {
        const std::u8string name = output.u8string();
        std::fprintf(stderr, "make-sample-book: cannot write %s\n", reinterpret_cast<const char*>(name.c_str()));
        return 1;
    }
    return 0;
}
