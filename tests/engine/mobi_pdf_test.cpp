// The conversion of one book with stand-in tools: a fake mobi2html that turns
// the copy's text into a page, and a fake wkhtmltopdf that writes a small PDF
// and notes its arguments. The real tools are exercised end to end elsewhere.
#include "engine/mobi_pdf.h"
#include "engine/paths.h"
#include "settings/options.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <future>
#include <mutex>
#include <thread>

namespace fs = std::filesystem;

namespace {

const char* const kFakeMobi2Html = R"SH(#!/bin/sh
# mobi2html INPUT OUTDIR
[ -f "$(dirname "$0")/hold-mobi2html" ] && { touch "$(dirname "$0")/mobi2html-waiting"; sleep 600; }
mkdir -p "$2" || exit 1
name=$(basename "$1" .mobi)
{ printf '<html><body><p>'; cat "$1"; printf '</p><img src="pic.GIF"></body></html>'; } > "$2/$name.html"
# A 1 x 1 GIF for the page's picture.
printf 'GIF89a\001\000\001\000\200\000\000\000\000\000\377\377\377,\000\000\000\000\001\000\001\000\000\002\002D\001\000;' > "$2/pic.gif"
)SH";

const char* const kFakeWkhtmltopdf = R"SH(#!/bin/sh
# wkhtmltopdf --page-width W --page-height H INPUT OUTPUT
here=$(dirname "$0")
printf '%s\n' "$*" >> "$here/wkhtmltopdf.log"
[ -f "$here/target-to-watch" ] && cat "$(cat "$here/target-to-watch")" > "$here/target-during-render"
[ -f "$here/broken-pdf" ] && { printf '%%PDF-1.4 cut off' > "$6"; exit 1; }
{ printf '%%PDF-1.4\n'; cat "$5"; printf '\n%%%%EOF\n'; } > "$6"
)SH";

class BookEngine : public MobiPdfEng {
public:
    ~BookEngine() override
    {
        RequestStop();
        WaitForWorker();
    }
    std::vector<std::pair<int, int>> JobEvents() const
    {
        std::lock_guard guard(m_lock);
        return m_events;
    }
    std::vector<int> Positions() const
    {
        std::lock_guard guard(m_lock);
        return m_positions;
    }
    std::function<void(int, int)> onJobEvent;

    static int32_t Callback(intptr_t user, int32_t event, int32_t index, int32_t code)
    {
        auto* self = reinterpret_cast<BookEngine*>(user);
        if (event == EVENT_ASK_OVERWRITE)
            return self->replace ? 1 : 0;
        if (event == EVENT_JOB_STATE) {
            {
                std::lock_guard guard(self->m_lock);
                self->m_events.emplace_back(index, code);
                if (code == STATUS_PROCESSING)
                    self->m_positions.push_back(self->m_nPosition);
            }
            if (self->onJobEvent)
                self->onJobEvent(index, code);
        }
        return 0;
    }
    bool replace = true;

private:
    mutable std::mutex m_lock;
    std::vector<std::pair<int, int>> m_events;
    std::vector<int> m_positions;
};

class MobiPdfConversion : public ::testing::Test {
protected:
    void SetUp() override
    {
        setenv("XDG_CACHE_HOME", m_cache.path().c_str(), 1);
        fs::create_directories(Tools());
        InstallTool("mobi2html", kFakeMobi2Html);
        InstallTool("wkhtmltopdf", kFakeWkhtmltopdf);
        fs::create_directories(Out());
        m_engine.m_strToolFolder = FromNativePath(Tools());
        m_engine.m_strOutputFolder = FromNativePath(Out());
        m_engine.m_pfnCallback = &BookEngine::Callback;
        m_engine.m_pUserData = reinterpret_cast<intptr_t>(&m_engine);
        g_pOptions = &m_options;
    }
    void TearDown() override { g_pOptions = nullptr; }

    fs::path Tools() const { return m_dir / "core"; }
    fs::path Out() const { return m_dir / "out"; }
    fs::path WorkFolder() const { return m_cache.path() / "Velmora"; }
    void InstallTool(const std::string& name, const char* text)
    {
        ASSERT_TRUE(WriteTextFile(Tools() / name, text));
        fs::permissions(Tools() / name, fs::perms::owner_all);
    }
    fs::path Book(const std::string& name, const std::string& text = "words")
    {
        const fs::path book = m_dir / name;
        EXPECT_TRUE(WriteTextFile(book, text));
        return book;
    }
    void Run()
    {
        ASSERT_TRUE(m_engine.Start());
        m_engine.WaitForWorker();
    }
    std::vector<fs::path> WorkFiles() const
    {
        std::vector<fs::path> files;
        std::error_code error;
        for (auto it = fs::recursive_directory_iterator(WorkFolder(), error);
             !error && it != fs::recursive_directory_iterator(); ++it)
            files.push_back(it->path());
        return files;
    }

    TempDir m_cache;
    TempDir m_dir;
    COptions m_options;
    BookEngine m_engine;
};

}  // namespace

TEST_F(MobiPdfConversion, ConvertsWithFourProgressStepsAndLeavesNoTemporaryFile)
{
    m_engine.AddJob(FromNativePath(Book("a.mobi", "alpha")));
    m_engine.AddJob(FromNativePath(Book("b.mobi", "beta")));
    Run();
    EXPECT_EQ(m_engine.GetJob(0).state, STATUS_FINISHED);
    EXPECT_EQ(m_engine.GetJob(1).state, STATUS_FINISHED);
    EXPECT_NE(ReadTextFile(Out() / "a.pdf").find("alpha"), std::string::npos);
    // The page the renderer got had its GIF reference rewritten.
    EXPECT_NE(ReadTextFile(Out() / "b.pdf").find("src=\"__pic.jpg\""), std::string::npos);
    // Share 50, quarter 12; the owner does not move m_nBase here.
    EXPECT_EQ(m_engine.Positions(), (std::vector<int>{12, 24, 36, 48, 12, 24, 36, 48}));
    EXPECT_TRUE(WorkFiles().empty());
}

TEST_F(MobiPdfConversion, PageSizeComesFromTheSettingsOfEachBook)
{
    m_options.m_nPageWidth = 5;  // stored values are used as they are
    m_options.m_nPageHeight = 1500;
    m_engine.AddJob(FromNativePath(Book("a.mobi")));
    Run();
    const std::string log = ReadTextFile(Tools() / "wkhtmltopdf.log");
    EXPECT_EQ(log.rfind("--page-width 5 --page-height 1500 ", 0), 0u) << log;
}

TEST_F(MobiPdfConversion, UnusualFileNamesConvert)
{
    for (const std::string name : {"Caf\xC3\xA9 na\xC3\xAFve.mobi", "it's \"quoted\".mobi", "cost $HOME `id`.mobi",
                                   "back\\slash.mobi"}) {
        m_engine.ClearJobs();
        m_engine.AddJob(FromNativePath(Book(name, name)));
        Run();
        EXPECT_EQ(m_engine.GetJob(0).state, STATUS_FINISHED) << name;
        fs::path target = Out() / name;
        target.replace_extension(".pdf");
        EXPECT_NE(ReadTextFile(target).find(name), std::string::npos) << name;
    }
    EXPECT_TRUE(WorkFiles().empty());
}

TEST_F(MobiPdfConversion, SourceDeletedAfterQueueingFailsAfterOneStep)
{
    m_engine.AddJob(FromNativePath(m_dir / "gone.mobi"));
    Run();
    EXPECT_EQ(m_engine.GetJob(0).state, STATUS_FAILED);
    EXPECT_EQ(m_engine.Positions().size(), 1u);
    EXPECT_TRUE(WorkFiles().empty());
}

TEST_F(MobiPdfConversion, MissingToolFailsTheBook)
{
    fs::remove(Tools() / "mobi2html");
    m_engine.AddJob(FromNativePath(Book("a.mobi")));
    Run();
    EXPECT_EQ(m_engine.GetJob(0).state, STATUS_FAILED);
    EXPECT_FALSE(fs::exists(Out() / "a.pdf"));
    EXPECT_TRUE(WorkFiles().empty());
}

TEST_F(MobiPdfConversion, MissingTargetFolderFailsAfterTheRender)
{
    m_engine.m_strOutputFolder = FromNativePath(m_dir / "no-such-folder");
    m_engine.AddJob(FromNativePath(Book("a.mobi")));
    Run();
    EXPECT_EQ(m_engine.GetJob(0).state, STATUS_FAILED);
    EXPECT_TRUE(fs::exists(Tools() / "wkhtmltopdf.log"));  // the PDF was made
    EXPECT_TRUE(WorkFiles().empty());
}

TEST_F(MobiPdfConversion, IncompletePdfIsNeverReportedFinished)
{
    ASSERT_TRUE(WriteTextFile(Tools() / "broken-pdf", ""));
    ASSERT_TRUE(WriteTextFile(Out() / "a.pdf", "the user's old file"));
    m_engine.AddJob(FromNativePath(Book("a.mobi")));
    Run();
    EXPECT_EQ(m_engine.GetJob(0).state, STATUS_FAILED);
    EXPECT_EQ(ReadTextFile(Out() / "a.pdf"), "the user's old file");
    EXPECT_EQ(std::distance(fs::directory_iterator(Out()), fs::directory_iterator()), 1);
}

TEST_F(MobiPdfConversion, ExistingTargetIsReplacedOnlyAtTheEnd)
{
    ASSERT_TRUE(WriteTextFile(Out() / "a.pdf", "old"));
    ASSERT_TRUE(WriteTextFile(Tools() / "target-to-watch", (Out() / "a.pdf").string()));
    m_engine.AddJob(FromNativePath(Book("a.mobi", "new words")));
    Run();
    EXPECT_EQ(m_engine.GetJob(0).state, STATUS_FINISHED);
    EXPECT_EQ(ReadTextFile(Tools() / "target-during-render"), "old");
    EXPECT_NE(ReadTextFile(Out() / "a.pdf").find("new words"), std::string::npos);
    EXPECT_EQ(std::distance(fs::directory_iterator(Out()), fs::directory_iterator()), 1);
}

TEST_F(MobiPdfConversion, StopDuringMobi2HtmlStopsTheBookWithoutRendering)
{
    ASSERT_TRUE(WriteTextFile(Tools() / "hold-mobi2html", ""));
    m_engine.AddJob(FromNativePath(Book("a.mobi")));
    m_engine.AddJob(FromNativePath(Book("b.mobi")));
    ASSERT_TRUE(m_engine.Start());
    for (int i = 0; i < 3000 && !fs::exists(Tools() / "mobi2html-waiting"); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    ASSERT_TRUE(fs::exists(Tools() / "mobi2html-waiting"));
    m_engine.RequestStop();
    m_engine.WaitForWorker();
    EXPECT_EQ(m_engine.GetJob(0).state, STATUS_STOPPED);
    EXPECT_EQ(m_engine.GetJob(1).state, STATUS_STOPPED);
    EXPECT_EQ(m_engine.m_nState, STATUS_STOPPED);
    EXPECT_FALSE(fs::exists(Tools() / "wkhtmltopdf.log"));
    EXPECT_FALSE(fs::exists(Out() / "a.pdf"));
    EXPECT_TRUE(WorkFiles().empty());
}

TEST(MobiPdfHelpers, CommandLineQuotesEveryPath)
{
    EXPECT_EQ(BuildToolCommand(L"/core/mobi2html", L"", L"/w/tmp.mobi", L"/w/tmp_html"),
              L"'/core/mobi2html'  '/w/tmp.mobi' '/w/tmp_html'");
    EXPECT_EQ(BuildToolCommand(L"/c/wk", L"--page-width 210 --page-height 297", L"/w/it's.html", L"/w/o.pdf"),
              L"'/c/wk' --page-width 210 --page-height 297 '/w/it'\\''s.html' '/w/o.pdf'");
}

TEST(MobiPdfHelpers, FileTypesAndFilter)
{
    MobiPdfEng engine;
    EXPECT_EQ(engine.GetSourceExtensions(), L"mobi");
    EXPECT_EQ(engine.GetTargetExtension(), L"pdf");
    const std::wstring filter = engine.GetFileFilter();
    EXPECT_EQ(filter, std::wstring(L"Files (*.mobi)\0*.mobi\0\0", 23));
}

TEST(MobiPdfHelpers, FileExistsAndDeleteFolder)
{
    TempDir dir;
    const fs::path folder = dir / "html";
    fs::create_directories(folder / "images");
    ASSERT_TRUE(WriteTextFile(folder / "images" / "a.gif", "x"));
    ASSERT_TRUE(WriteTextFile(dir / "keep.txt", "keep"));
    fs::create_symlink(dir / "keep.txt", folder / "link");

    EXPECT_TRUE(FileExists(FromNativePath(folder)));
    EXPECT_TRUE(FileExists(FromNativePath(folder / "images" / "a.gif")));
    EXPECT_FALSE(FileExists(FromNativePath(dir / "nothing")));

    EXPECT_EQ(DeleteFolder(FromNativePath(folder)), 0);
    EXPECT_FALSE(fs::exists(folder));
    EXPECT_EQ(ReadTextFile(dir / "keep.txt"), "keep");  // links are removed, not followed
    EXPECT_EQ(DeleteFolder(FromNativePath(folder)), 1);
}
