// bin/core/wkhtmltopdf end to end: a page rendered in pieces gives the PDF
// that one render gives; a piece that fails fails the run and leaves
// nothing; a stopped or orphaned renderer leaves no process behind.
#include "page_checks.h"
#include "run_program.h"
#include "run_renderer.h"

#include "base/child_process.h"
#include "engine/engine.h"
#include "base/paths.h"
#include "pdf_checks.h"
#include "process_watch.h"
#include "temp_dir.h"
#include "test_books.h"

#include <gtest/gtest.h>

#include <cmath>
#include <csignal>
#include <filesystem>
#include <set>
#include <sstream>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

const fs::path kCore = fs::path(CORVALE_BIN_DIR) / "core";
const std::string kRenderer = (kCore / "wkhtmltopdf").string();
const std::string kBreak = std::string(kPageBreakMarker) + "\n";

// Names of everything in a folder, recursively.
std::set<std::string> Listing(const fs::path& folder)
{
    std::set<std::string> names;
    std::error_code error;
    for (const auto& entry : fs::recursive_directory_iterator(folder, error))
        names.insert(fs::relative(entry.path(), folder).string());
    return names;
}

// A page like the ones mobi2html writes for a dictionary: `entries` short
// entries inside the book's <div>, each after a page break.
std::string DictionaryPage(int entries)
{
    std::string page = "<!DOCTYPE html>\n<html>\n<head>\n<meta charset=\"utf-8\">\n<title>Wörterbuch</title>\n"
                       "<style>\nhtml { zoom: 1.3333; }\n</style>\n</head>\n<body>\n<div>";
    for (int i = 0; i < entries; ++i)
        page += (i ? kBreak : "") + "<h3>Wort " + std::to_string(i) + "</h3><p>Eine Erklärung für Straße " +
                std::to_string(i) + ".</p>";
    return page + "</div>\n</body>\n</html>\n";
}

class Renderer : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_FALSE(m_temp.path().empty());
        m_folder = m_temp / "Bücher 'ü' $x";
        fs::create_directories(m_folder / "html");
    }

    fs::path Html() const { return m_folder / "html"; }

    ProgramResult Render(const fs::path& page, const fs::path& pdf, const std::vector<std::string>& extra = {},
                         const std::vector<std::string>& environment = {})
    {
        std::vector<std::string> options{"--verbose"};
        options.insert(options.end(), extra.begin(), extra.end());
        ProgramResult result = RunRenderer(kRenderer, 150, 200, page, pdf, options, environment);
        m_strReport = result.output;
        // No PDF may carry a path of the folder or a link to a local file.
        if (result.exitCode == 0) {
            EXPECT_EQ(PdfLocalTraces(pdf, {m_temp.path().filename().string()}), "");
        }
        return result;
    }

    // The number of pieces the last render reported.
    int Pieces() const
    {
        const std::size_t at = m_strReport.find("write ");
        return at == std::string::npos ? 0 : std::stoi(m_strReport.substr(at + 6));
    }

    TempDir m_temp;
    fs::path m_folder;
    std::string m_strReport;  // what the last render wrote to standard output
};

// A book made by mobi2html, with pictures, and pages whose breaks lie in
// open elements with margins and borders.
struct PageCase {
    const char* name;
    std::string page;  // empty: the chapter book through mobi2html
};

class SameAsOneRender : public Renderer, public ::testing::WithParamInterface<PageCase> {};

TEST_P(SameAsOneRender, PagesTextPicturesAndPageSize)
{
    fs::path page = Html() / "book.html";
    if (GetParam().page.empty()) {
        const fs::path book = m_folder / "book.mobi";
        ASSERT_TRUE(WriteChapterBook(book, 6, {MakeCheckerGif(64, 32), MakeCheckerGif(40, 40), MakeCheckerGif(80, 20)}));
        const ProgramResult unpacked = RunProgram((kCore / "mobi2html").string(), {book.string(), Html().string()});
        ASSERT_EQ(unpacked.exitCode, 0) << unpacked.errorOutput;
    } else {
        ASSERT_TRUE(WriteTextFile(page, GetParam().page));
    }
    const std::set<std::string> before = Listing(m_folder);

    const ProgramResult whole = Render(page, m_folder / "whole.pdf", {"--piece-kb", "0"});
    ASSERT_EQ(whole.exitCode, 0) << whole.errorOutput;
    ASSERT_EQ(Pieces(), 1);
    const ProgramResult pieces = Render(page, m_folder / "pieces.pdf", {"--piece-kb", "1"});
    ASSERT_EQ(pieces.exitCode, 0) << pieces.errorOutput;
    EXPECT_GT(Pieces(), 2);

    const std::string text = PdfText(m_folder / "whole.pdf");
    EXPECT_EQ(CountOf(text, "\f"), CountOf(PdfText(m_folder / "pieces.pdf"), "\f")) << "same pages, none blank";
    EXPECT_EQ(PdfText(m_folder / "pieces.pdf"), text) << "same words in the same order";
    EXPECT_EQ(PdfImageSizes(m_folder / "pieces.pdf"), PdfImageSizes(m_folder / "whole.pdf"));
    const auto sizes = PdfPageSizes(m_folder / "pieces.pdf");
    ASSERT_FALSE(sizes.empty());
    for (const auto& [width, height] : sizes) {
        EXPECT_EQ(width, std::round(150 / 25.4 * 72));
        EXPECT_EQ(height, std::round(200 / 25.4 * 72));
    }
    // Nothing of the renderer's own stays beside the page.
    std::set<std::string> after = Listing(m_folder);
    after.erase("whole.pdf");
    after.erase("pieces.pdf");
    EXPECT_EQ(after, before);
}

std::string NestedPage()
{
    std::string page = "<!DOCTYPE html>\n<html>\n<head>\n<meta charset=\"utf-8\">\n<style>\n"
                       ".book { margin: 3em 1em; padding: 1em; border: 2px solid black }\n"
                       "p { margin: 1em 0 }\n</style>\n</head>\n<body>\n<div class=\"book\"><section>";
    for (int i = 0; i < 7; ++i)
        page += (i ? kBreak : "") + "<p>Part " + std::to_string(i) + " <b>in bold " +
                (i % 3 == 0 ? kBreak + "still bold" : std::string()) + "</b> of the naïve book.</p>";
    return page + "</section></div>\n</body>\n</html>\n";
}

INSTANTIATE_TEST_SUITE_P(Pages, SameAsOneRender,
                         ::testing::Values(PageCase{"ChapterBookWithPictures", ""},
                                           PageCase{"BreaksInsideStyledElements", NestedPage()},
                                           PageCase{"Dictionary", DictionaryPage(20)}),
                         [](const auto& info) { return std::string(info.param.name); });

// A system wkhtmltopdf that fails on the piece holding FAILME, after Qt's
// warnings, and notes the runtime folder it was given.
const char* const kFailingRenderer = R"sh(#!/bin/sh
for last; do :; done
page=
for argument; do [ "$argument" = "$last" ] || page=$argument; done
printf '%s %s\n' "$XDG_RUNTIME_DIR" "$(stat -c %a "$XDG_RUNTIME_DIR")" >> "$RUNTIME_LOG"
if grep -q FAILME "$page"; then
    echo "QStandardPaths: XDG_RUNTIME_DIR not set, defaulting to '/tmp/runtime-root'" >&2
    echo "Error: Failed to render the page" >&2
    echo "QStandardPaths: wrong permissions on runtime directory" >&2
    exit 1
fi
exec /usr/bin/wkhtmltopdf "$@"
)sh";

TEST_F(Renderer, OnePieceFailingFailsTheRunAndLeavesNothing)
{
    const fs::path fake = m_temp / "bin";
    fs::create_directories(fake);
    ASSERT_TRUE(WriteTextFile(fake / "wkhtmltopdf", kFailingRenderer));
    fs::permissions(fake / "wkhtmltopdf", fs::perms::owner_all);
    std::string page = DictionaryPage(30);
    page.replace(page.find("Wort 15"), 7, "FAILME");
    ASSERT_TRUE(WriteTextFile(Html() / "book.html", page));
    const fs::path out = m_folder / "out";
    fs::create_directories(out);
    const std::set<std::string> before = Listing(m_folder);

    const ProgramResult result =
        Render(Html() / "book.html", out / "book.pdf", {"--piece-kb", "1"},
               {"PATH=" + fake.string() + ":/usr/bin:/bin", "RUNTIME_LOG=" + (m_temp / "runtime.log").string()});
    EXPECT_NE(result.exitCode, 0);
    std::string last = result.errorOutput;
    while (!last.empty() && last.back() == '\n') last.pop_back();
    last = last.substr(last.rfind('\n') + 1);
    EXPECT_TRUE(last.starts_with("wkhtmltopdf: ")) << result.errorOutput;
    EXPECT_NE(last.find("failed on piece"), std::string::npos) << last;
    EXPECT_NE(last.find("Error: Failed to render the page"), std::string::npos) << last;
    EXPECT_EQ(last.find("QStandardPaths"), std::string::npos) << last;
    EXPECT_EQ(Listing(m_folder), before) << "no PDF, no piece, no partial file";

    // Each system renderer had a private runtime folder inside the page's
    // folder, gone now.
    const std::string log = ReadTextFile(m_temp / "runtime.log");
    ASSERT_FALSE(log.empty());
    std::istringstream lines(log);
    for (std::string line; std::getline(lines, line);) {
        const std::string folder = line.substr(0, line.rfind(' ')), mode = line.substr(line.rfind(' ') + 1);
        EXPECT_TRUE(folder.starts_with(Html().string() + "/")) << folder;
        EXPECT_EQ(mode, "700");
        EXPECT_FALSE(fs::exists(folder));
    }
}

TEST_F(Renderer, LeavesNothingInTheTemporaryFolder)
{
    const fs::path tmp = m_temp / "tmp";
    fs::create_directories(tmp);
    ASSERT_TRUE(WriteTextFile(Html() / "book.html", DictionaryPage(3)));
    const ProgramResult result =
        Render(Html() / "book.html", m_folder / "book.pdf", {}, {"TMPDIR=" + tmp.string(), "XDG_RUNTIME_DIR"});
    ASSERT_EQ(result.exitCode, 0) << result.errorOutput;
    EXPECT_TRUE(Listing(tmp).empty());
    EXPECT_EQ(result.errorOutput.find("QStandardPaths"), std::string::npos) << result.errorOutput;
}

TEST_F(Renderer, ReasonsAreItsOwnLine)
{
    ASSERT_TRUE(WriteTextFile(Html() / "book.html", DictionaryPage(3)));
    struct Case {
        std::vector<std::string> arguments;
        const char* says;
    };
    const std::vector<Case> cases = {
        {{"--page-width", "0", "--page-height", "10", "a", "b"}, "--page-width wants millimetres"},
        {{"--page-width", "10", "--page-height", "10", (Html() / "none.html").string(), "b.pdf"}, "cannot read the page"},
        {{"--page-width", "10", "--page-height", "10", (Html() / "book.html").string(), (m_folder / "no/b.pdf").string()},
         "its folder does not exist"},
        {{"--page-width", "10", "--page-height", "10", "--jobs", "2", "a", "b"}, "unknown option --jobs"},
    };
    for (const Case& c : cases) {
        const ProgramResult result = RunProgram(kRenderer, c.arguments);
        EXPECT_NE(result.exitCode, 0) << c.says;
        EXPECT_TRUE(result.errorOutput.starts_with("wkhtmltopdf: ")) << result.errorOutput;
        EXPECT_NE(result.errorOutput.find(c.says), std::string::npos) << result.errorOutput;
        EXPECT_EQ(CountOf(result.errorOutput, "\n"), 1u) << result.errorOutput;
    }
}

// The process group of a system wkhtmltopdf that descends from `ancestor`
// (not ours, which has the same name), or 0 while there is none.
int SystemRendererGroup(int ancestor)
{
    const fs::path ours = fs::canonical(kRenderer);
    for (const ProcessEntry& process : ProcessesOf(ancestor)) {
        std::error_code error;
        const fs::path program = fs::read_symlink("/proc/" + std::to_string(process.pid) + "/exe", error);
        if (process.name == "wkhtmltopdf" && !error && program != ours) return process.group;
    }
    return 0;
}

// How a run is ended while its system renderers work.
enum class Ending { ToolRunnerStops, RendererKilledAlone };

class Stopped : public Renderer, public ::testing::WithParamInterface<Ending> {};

TEST_P(Stopped, LeavesNoRendererRunning)
{
    // Big enough that its pieces are still rendering when the run ends.
    ASSERT_TRUE(WriteTextFile(Html() / "book.html", DictionaryPage(4000)));
    const fs::path pdf = m_folder / "book.pdf";
    if (GetParam() == Ending::ToolRunnerStops) {
        // As the program runs a tool: a script in a process group of its own,
        // ended with the whole group.
        const auto quote = [](const fs::path& path) {
            return ToNativeBytes(VelmoraEng::QuoteScriptArgument(FromNativePath(path)));
        };
        const fs::path script = m_folder / "run.sh";
        ASSERT_TRUE(WriteTextFile(script, quote(kRenderer) + " --page-width 210 --page-height 297 " +
                                              quote(Html() / "book.html") + " " + quote(pdf) + "\n"));
        ChildProcess child;
        ASSERT_TRUE(child.Start(FromNativePath(script)));
        // The group of the script, which the system renderers are in too.
        int group = 0;
        ASSERT_TRUE(WaitUntil([&] { return (group = SystemRendererGroup(getpid())) != 0; }));
        child.Terminate();
        EXPECT_TRUE(WaitUntil([&] { return ProcessesOf(group).empty(); })) << ProcessesOf(group).size();
    } else {
        const std::string page = (Html() / "book.html").string();
        const pid_t renderer = fork();
        if (renderer == 0) {
            setpgid(0, 0);
            execl(kRenderer.c_str(), kRenderer.c_str(), "--page-width", "210", "--page-height", "297", page.c_str(),
                  pdf.c_str(), static_cast<char*>(nullptr));
            _exit(127);
        }
        ASSERT_GT(renderer, 0);
        setpgid(renderer, renderer);
        ASSERT_TRUE(WaitUntil([&] { return SystemRendererGroup(renderer) != 0; }));
        kill(renderer, SIGKILL);  // no chance to end its children itself
        waitpid(renderer, nullptr, 0);
        EXPECT_TRUE(WaitUntil([&] { return ProcessesOf(renderer).empty(); })) << ProcessesOf(renderer).size();
    }
    EXPECT_FALSE(fs::exists(pdf));
}

INSTANTIATE_TEST_SUITE_P(Run, Stopped, ::testing::Values(Ending::ToolRunnerStops, Ending::RendererKilledAlone),
                         [](const auto& info) {
                             return info.param == Ending::ToolRunnerStops ? "ByTheToolRunner" : "RendererKilledAlone";
                         });

}  // namespace
