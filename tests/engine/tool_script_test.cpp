// A tool and its arguments run exactly as they are named, whatever the
// letters (the script interpreter reads its script in one code page) and
// whatever characters the interpreter gives a meaning to. Runs on both
// platforms, with the project's own make-sample-book as the tool.
#include "fake_engine.h"

#include "base/paths.h"
#include "base/process_names.h"
#include "support/scoped_env.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

#ifdef _WIN32
#include <windows.h>
#endif

namespace fs = std::filesystem;

namespace {

struct NamedTool {
    const char* what;
    const char8_t* folder;  // where the tool is copied
    const char8_t* book;    // the file it writes
};

void PrintTo(const NamedTool& tool, std::ostream* os)
{
    *os << tool.what;
}

const NamedTool kNamedTools[] = {
    {"Ascii", u8"tools", u8"book.mobi"},
    {"Latin", u8"Bücher Jürgen", u8"Ægir – Ødegård.mobi"},
    {"Cjk", u8"日本語の本", u8"書籍 한국어.mobi"},
    {"Cyrillic", u8"Книги", u8"Война и мир.mobi"},
    {"InterpreterCharacters", u8"Q&A (x) ^ !", u8"a ^ ! $HOME 'q' & b.mobi"},
    {"PercentSigns", u8"50% more", u8"a%PATH%b %1.mobi"},
};

// Wine's command interpreter expands variables again inside the value of a
// variable, which Windows' own does not; there a name with percent signs
// can't be passed the way Windows takes it.
bool RunningUnderWine()
{
#ifdef _WIN32
    const HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
    return ntdll && GetProcAddress(ntdll, "wine_get_version");
#else
    return false;
#endif
}

class ToolScript : public ::testing::TestWithParam<NamedTool> {
protected:
    TempCacheHome m_cache;
    TempDir m_files;
};

fs::path SampleBookMaker()
{
#ifdef _WIN32
    return OwnExecutablePath().parent_path() / "make-sample-book.exe";
#else
    return OwnExecutablePath().parent_path() / "make-sample-book";
#endif
}

// Work-folder entries of this process (other tests may run beside it).
int OwnWorkEntries()
{
    int count = 0;
    std::error_code error;
    for (const auto& entry : fs::directory_iterator(ToNativePath(VelmoraEng::GetWorkFolder()), error))
        count += ProcessOfWorkName(entry.path().filename()) == CurrentProcessId();
    return count;
}

}  // namespace

TEST_P(ToolScript, RunsTheToolAsNamed)
{
    const NamedTool& c = GetParam();
    if (std::u8string_view(c.folder).find(u8'%') != std::u8string_view::npos && RunningUnderWine())
        GTEST_SKIP() << "wine expands a variable's value again";
    const fs::path folder = m_files.path() / fs::path(c.folder);
    const fs::path tool = folder / SampleBookMaker().filename();
    const fs::path book = m_files.path() / fs::path(c.book);
    ASSERT_TRUE(fs::create_directories(folder));
    ASSERT_TRUE(fs::copy_file(SampleBookMaker(), tool));

    Engine<RecordingEngine> engine;
    engine.m_nState = STATUS_STARTED;  // RunTool outside a run
    const std::wstring command = VelmoraEng::QuoteScriptArgument(FromNativePath(tool)) + L" " +
                                 VelmoraEng::QuoteScriptArgument(FromNativePath(book));
    EXPECT_TRUE(engine.RunTool(command));
    std::error_code error;
    EXPECT_TRUE(fs::is_regular_file(book, error) && fs::file_size(book, error) > 0) << "no book from " << PathText(tool);
    EXPECT_EQ(OwnWorkEntries(), 0) << "the script stayed";
}

INSTANTIATE_TEST_SUITE_P(Names, ToolScript, ::testing::ValuesIn(kNamedTools),
                         [](const auto& info) { return std::string(info.param.what); });
