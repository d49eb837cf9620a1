// The conversion of one book with the stand-in tools of tests/support.
#include "engine/job_reasons.h"
#include "engine/mobi_pdf.h"
#include "base/paths.h"
#include "engine/source_copy.h"
#include "settings/options.h"
#include "support/scoped_env.h"
#include "support/process_watch.h"
#include "support/stand_in_tools.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <future>
#include <mutex>
#include <thread>

#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

class BookProbe : public MobiPdfEng {
public:
    using MobiPdfEng::MobiPdfEng;
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
        auto* self = reinterpret_cast<BookProbe*>(user);
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
        ASSERT_TRUE(InstallStandInTools(Tools()));
        fs::create_directories(Out());
        m_engine.m_strToolFolder = FromNativePath(Tools());
        m_engine.m_strOutputFolder = FromNativePath(Out());
        m_engine.m_pfnCallback = &BookProbe::Callback;
        m_engine.m_pUserData = reinterpret_cast<intptr_t>(&m_engine);
        g_pOptions = &m_options;
    }
    void TearDown() override { g_pOptions = nullptr; }

    fs::path Tools() const { return m_dir / "core"; }
    fs::path Out() const { return m_dir / "out"; }
    fs::path WorkFolder() const { return m_cache.WorkFolder(); }
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

    TempCacheHome m_cache;
    TempDir m_dir;
    COptions m_options;
    Engine<BookProbe> m_engine;
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
    fs::remove(Tools() / "wkhtmltopdf");
    m_engine.AddJob(FromNativePath(Book("a.mobi")));
    Run();
    EXPECT_EQ(m_engine.GetJob(0).state, STATUS_FAILED);
    EXPECT_EQ(m_engine.GetJob(0).reason, L"a conversion tool is missing (wkhtmltopdf)");
    EXPECT_EQ(m_engine.Positions().size(), 1u);  // looked for before the book was copied
    EXPECT_FALSE(fs::exists(Out() / "a.pdf"));
    EXPECT_TRUE(WorkFiles().empty());
}

TEST_F(MobiPdfConversion, MissingTargetFolderFailsAfterTheRender)
{
    m_engine.m_strOutputFolder = FromNativePath(m_dir / "no-such-folder");
    m_engine.AddJob(FromNativePath(Book("a.mobi")));
    Run();
    EXPECT_EQ(m_engine.GetJob(0).state, STATUS_FAILED);
    EXPECT_EQ(m_engine.GetJob(0).reason, L"the output folder does not exist");
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
    FifoReader waiting(Tools() / "mobi2html-waiting");
    m_engine.AddJob(FromNativePath(Book("a.mobi")));
    m_engine.AddJob(FromNativePath(Book("b.mobi")));
    ASSERT_TRUE(m_engine.Start());
    ASSERT_TRUE(waiting.ReadLine());
    m_engine.RequestStop();
    m_engine.WaitForWorker();
    EXPECT_EQ(m_engine.GetJob(0).state, STATUS_STOPPED);
    EXPECT_EQ(m_engine.GetJob(1).state, STATUS_STOPPED);
    EXPECT_EQ(m_engine.m_nState, STATUS_STOPPED);
    EXPECT_FALSE(fs::exists(Tools() / "wkhtmltopdf.log"));
    EXPECT_FALSE(fs::exists(Out() / "a.pdf"));
    EXPECT_TRUE(WorkFiles().empty());
}

TEST_F(MobiPdfConversion, StopDuringTheRenderLeavesNothingOfTheKilledRenderer)
{
    ASSERT_TRUE(WriteTextFile(Tools() / "hold-wkhtmltopdf", ""));
    FifoReader waiting(Tools() / "wkhtmltopdf-waiting");
    m_engine.AddJob(FromNativePath(Book("a.mobi")));
    ASSERT_TRUE(m_engine.Start());
    ASSERT_TRUE(waiting.ReadLine());
    ASSERT_FALSE(WorkFiles().empty());
    m_engine.RequestStop();
    m_engine.WaitForWorker();
    EXPECT_EQ(m_engine.GetJob(0).state, STATUS_STOPPED);
    EXPECT_FALSE(fs::exists(Out() / "a.pdf"));
    EXPECT_TRUE(WorkFiles().empty());
}

TEST_F(MobiPdfConversion, EntryAtTheTargetIsReplacedAsItselfAndKeepsItsMode)
{
    const fs::path target = Out() / "a.pdf";
    const fs::path linked = m_dir / "linked.pdf";
    const mode_t mask = umask(022);
    umask(mask);
    struct Case {
        const char* name;
        std::function<void()> make;
        int32_t state;
        fs::perms mode;  // of the new PDF
    };
    const fs::perms fresh = static_cast<fs::perms>(0666 & ~mask);
    const std::vector<Case> cases = {
        {"nothing there", [] {}, STATUS_FINISHED, fresh},
        {"file of mode 0600", [&] { WriteTextFile(target, "old"); fs::permissions(target, fs::perms::owner_read | fs::perms::owner_write); },
         STATUS_FINISHED, fs::perms::owner_read | fs::perms::owner_write},
        {"file of mode 000", [&] { WriteTextFile(target, "old"); fs::permissions(target, fs::perms::none); },
         STATUS_FINISHED, fs::perms::none},
        {"link to a file", [&] { WriteTextFile(linked, "linked"); fs::create_symlink(linked, target); }, STATUS_FINISHED, fresh},
        {"dangling link", [&] { fs::create_symlink(m_dir / "nowhere", target); }, STATUS_FINISHED, fresh},
        {"folder", [&] { fs::create_directory(target); }, STATUS_FAILED, fs::perms::unknown},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        fs::remove_all(target);
        c.make();
        m_engine.ClearJobs();
        m_engine.AddJob(FromNativePath(Book("a.mobi", "new words")));
        Run();
        const JobItem job = m_engine.GetJob(0);
        EXPECT_EQ(job.state, c.state);
        if (c.state == STATUS_FINISHED) {
            EXPECT_TRUE(fs::is_regular_file(fs::symlink_status(target)));
            EXPECT_EQ(fs::symlink_status(target).permissions(), c.mode);
            EXPECT_NE(ReadTextFile(target).find("new words"), std::string::npos);
            EXPECT_TRUE(job.reason.empty());
        } else {
            EXPECT_TRUE(fs::is_directory(target));
            EXPECT_EQ(job.reason, reasons::kFolderInTheWay);
        }
        EXPECT_EQ(std::distance(fs::directory_iterator(Out()), fs::directory_iterator()), 1);  // no staged file left
    }
    EXPECT_EQ(ReadTextFile(linked), "linked");  // never written through the link
    EXPECT_FALSE(fs::exists(m_dir / "nowhere"));
}

TEST_F(MobiPdfConversion, TargetThatAppearsMeanwhileIsKeptAndTheBookStops)
{
    ASSERT_TRUE(WriteTextFile(Tools() / "make-target", (Out() / "a.pdf").string()));
    m_engine.AddJob(FromNativePath(Book("a.mobi")));
    Run();
    EXPECT_EQ(m_engine.GetJob(0).state, STATUS_STOPPED);
    EXPECT_EQ(m_engine.GetJob(0).reason, reasons::kTargetAppeared);
    EXPECT_EQ(ReadTextFile(Out() / "a.pdf"), "made elsewhere");
    EXPECT_EQ(std::distance(fs::directory_iterator(Out()), fs::directory_iterator()), 1);
    EXPECT_TRUE(WorkFiles().empty());
}

TEST_F(MobiPdfConversion, OnlyRegularFilesAreBooks)
{
    const fs::path book = m_dir / "x.mobi";
    const std::vector<std::pair<std::function<void()>, std::wstring>> cases = {
        {[&] { ASSERT_EQ(mkfifo(book.c_str(), 0600), 0); }, reasons::kSourceIsPipe},
        {[&] { fs::create_symlink("/dev/zero", book); }, reasons::kSourceIsDevice},
        {[&] { fs::create_directory(book); }, reasons::kSourceIsFolder},
        {[&] {
             const int fd = socket(AF_UNIX, SOCK_STREAM, 0);
             sockaddr_un address{};
             address.sun_family = AF_UNIX;
             book.native().copy(address.sun_path, sizeof address.sun_path - 1);
             ASSERT_EQ(bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
             close(fd);
         },
         reasons::kSourceIsSocket},
        {[] {}, L"the book is no longer there"},
    };
    for (const auto& [make, reason] : cases) {
        SCOPED_TRACE(ToNativeBytes(reason));
        fs::remove_all(book);
        make();
        m_engine.ClearJobs();
        m_engine.AddJob(FromNativePath(book));
        Run();
        EXPECT_EQ(m_engine.GetJob(0).state, STATUS_FAILED);
        EXPECT_EQ(m_engine.GetJob(0).reason, reason);
        EXPECT_TRUE(WorkFiles().empty());
    }
    EXPECT_FALSE(fs::exists(Tools() / "wkhtmltopdf.log"));  // no tool ran
}

TEST_F(MobiPdfConversion, AFailureSaysWhyInPlainWords)
{
    const fs::path file = m_dir / "a-file";
    ASSERT_TRUE(WriteTextFile(file, ""));
    const fs::path locked = m_dir / "locked";
    fs::create_directory(locked);
    ReadOnlyFolder readOnly(locked);
    struct Case {
        const char* name;
        std::function<void()> make;
        std::wstring reason;
    };
    const std::vector<Case> cases = {
        {"DRM", [&] { WriteTextFile(Tools() / "fail-mobi2html", "the book is encrypted (DRM) and cannot be converted"); },
         reasons::kDrm},
        {"not a book", [&] { WriteTextFile(Tools() / "fail-mobi2html", "the file is damaged or is not a MOBI book"); },
         reasons::kDamagedOrNotMobi},
        {"renderer's reason", [&] { WriteTextFile(Tools() / "fail-wkhtmltopdf", "the wkhtmltopdf program is not installed"); },
         L"the wkhtmltopdf program is not installed"},
        {"renderer's warning only", [&] { WriteTextFile(Tools() / "broken-pdf", ""); },
         L"the conversion tool failed (wkhtmltopdf)"},
        {"output folder under a file", [&] { m_engine.m_strOutputFolder = FromNativePath(file / "out"); },
         L"the output folder does not exist"},
        {"read-only output folder", [&] { m_engine.m_strOutputFolder = FromNativePath(locked); },
         L"the output folder can't be written"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        if (std::string(c.name) == "read-only output folder" && !readOnly.IsReadOnly()) {
            std::printf("skipping the read-only folder: the immutable attribute can't be set here\n");
            continue;
        }
        ASSERT_TRUE(InstallStandInTools(Tools()));
        for (const char* marker : {"fail-mobi2html", "fail-wkhtmltopdf", "broken-pdf"})
            fs::remove(Tools() / marker);
        m_engine.m_strOutputFolder = FromNativePath(Out());
        c.make();
        m_engine.ClearJobs();
        m_engine.AddJob(FromNativePath(Book("a.mobi")));
        Run();
        EXPECT_EQ(m_engine.GetJob(0).state, STATUS_FAILED);
        EXPECT_EQ(m_engine.GetJob(0).reason, c.reason);
        EXPECT_TRUE(WorkFiles().empty());
    }
}

TEST(SourceCopy, CopiesWhatTheBookHeldAndSeesAStop)
{
    TempDir dir;
    const fs::path book = dir / "grows.mobi";
    const std::string held(1 << 20, 'a');
    ASSERT_TRUE(WriteTextFile(book, held));
    // Between chunks the book grows, as a file being written elsewhere would.
    const auto grow = [&] {
        std::ofstream(book, std::ios::app) << std::string(1 << 20, 'b');
        return false;
    };
    std::wstring reason;
    ASSERT_TRUE(CopySourceFile(FromNativePath(book), FromNativePath(dir / "copy"), grow, reason));
    EXPECT_EQ(ReadTextFile(dir / "copy"), held);

    int looks = 0;
    EXPECT_FALSE(CopySourceFile(FromNativePath(book), FromNativePath(dir / "stopped"), [&] { return ++looks > 1; }, reason));
    EXPECT_TRUE(reason.empty());
    EXPECT_FALSE(fs::exists(dir / "stopped"));
}

TEST(MobiPdfHelpers, CommandLineQuotesEveryPath)
{
    EXPECT_EQ(BuildToolCommand(L"/core/mobi2html", L"", L"/w/tmp.mobi", L"/w/tmp_html"),
              L"exec '/core/mobi2html'  '/w/tmp.mobi' '/w/tmp_html'");
    EXPECT_EQ(BuildToolCommand(L"/c/wk", L"--page-width 210 --page-height 297", L"/w/it's.html", L"/w/o.pdf"),
              L"exec '/c/wk' --page-width 210 --page-height 297 '/w/it'\\''s.html' '/w/o.pdf'");
}

TEST(MobiPdfHelpers, FileTypesAndFilter)
{
    Engine<MobiPdfEng> engine;
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
