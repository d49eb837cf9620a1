// bin/core/wkhtmltopdf on pages a hostile book could make: every stage
// obeys a stop, whatever the page's nesting; a stop after the PDF is in
// place never leaves it beside a "stopped"; a FIFO named as a picture does
// not hold the render up; a contents list deeper than any book's is read
// and written as an outline.
#include "page_checks.h"
#include "pdf_checks.h"
#include "process_watch.h"
#include "run_program.h"
#include "run_renderer.h"
#include "temp_dir.h"

#include "tools/renderer/page_facts.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <csignal>
#include <filesystem>
#include <sstream>
#include <sys/stat.h>

namespace fs = std::filesystem;

namespace {

const std::string kRenderer = (fs::path(CORVALE_BIN_DIR) / "core" / "wkhtmltopdf").string();
const std::string kBreak = std::string(kPageBreakMarker) + "\n";
const std::string kHead = "<!DOCTYPE html>\n<html>\n<head>\n<meta charset=\"utf-8\">\n<title>Tief</title>\n"
                          "</head>\n<body>\n";
const std::string kTail = "\n</body>\n</html>\n";

// The hidden contents list, `levels` deep, entry k leading to id tk.
std::string DeepContents(int levels)
{
    std::string nav = "<nav id=\"corvale-toc\" hidden style=\"display:none\">";
    for (int i = 0; i < levels; ++i)
        nav += "<ol><li><a href=\"#t" + std::to_string(i) + "\">Ebene " + std::to_string(i) + "</a>";
    for (int i = 0; i < levels; ++i) nav += "</li></ol>";
    return nav + "</nav>\n";
}

// Short entries after page breaks, each a target of the contents.
std::string Entries(int count)
{
    std::string body;
    for (int i = 0; i < count; ++i)
        body += (i ? kBreak : "") + "<p id=\"t" + std::to_string(i) + "\">Eintrag " + std::to_string(i) + "</p>";
    return body;
}

// A page as deep as the worst books found: a contents list 60,000 levels
// deep and 40,000 nested sections.
std::string DeepPage()
{
    std::string body = DeepContents(60000) + Entries(3);
    for (int i = 0; i < 40000; ++i) body += "<section>";
    body += "innen" + kBreak + "weiter";
    for (int i = 0; i < 40000; ++i) body += "</section>";
    return kHead + body + kTail;
}

// A small page in several pieces, with a contents list and links.
std::string SmallPage() { return kHead + DeepContents(3) + Entries(12) + "<p><a href=\"#t0\">zurück</a></p>" + kTail; }

bool HasLineStarting(const std::string& report, const std::string& start)
{
    std::istringstream lines(report);
    for (std::string line; std::getline(lines, line);)
        if (line.starts_with(start)) return true;
    return false;
}

class RendererOnHostilePages : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_FALSE(m_temp.path().empty());
        m_folder = m_temp / "Seite ö";
        fs::create_directories(m_folder);
    }

    fs::path Page() const { return m_folder / "book.html"; }
    fs::path Pdf() const { return m_temp / "book.pdf"; }

    TempDir m_temp;
    fs::path m_folder;
};

struct StopCase {
    const char* stage;   // the stage at whose start the renderer stops itself
    const char* report;  // how the stage's line begins in --verbose output
    bool deepPage;       // DeepPage, else SmallPage
};

void PrintTo(const StopCase& param, std::ostream* out) { *out << param.stage; }

class StopAtStage : public RendererOnHostilePages, public ::testing::WithParamInterface<StopCase> {};

// The stop is requested as the stage begins, so the stage must see it
// itself: it never reports that it finished, and the run ends stopped,
// with nothing left behind.
TEST_P(StopAtStage, StageEndsTheRunWithoutFinishing)
{
    const StopCase& param = GetParam();
    ASSERT_TRUE(WriteTextFile(Page(), param.deepPage ? DeepPage() : SmallPage()));
    const ProgramResult result = RunRenderer(kRenderer, 150, 200, Page(), Pdf(), {"--verbose", "--piece-kb", "1"},
                                             {std::string("CORVALE_RENDERER_STOP_AT=") + param.stage});
    EXPECT_EQ(result.signal, SIGTERM) << result.errorOutput;
    EXPECT_NE(result.errorOutput.find("wkhtmltopdf: stopped"), std::string::npos) << result.errorOutput;
    EXPECT_FALSE(HasLineStarting(result.output, param.report)) << result.output;
    EXPECT_FALSE(fs::exists(Pdf()));
    std::vector<fs::path> left;
    for (const auto& entry : fs::directory_iterator(m_folder)) left.push_back(entry.path());
    EXPECT_EQ(left, std::vector<fs::path>{Page()}) << "nothing of the run is left in the page's folder";
}

INSTANTIATE_TEST_SUITE_P(Renderer, StopAtStage,
                         ::testing::Values(StopCase{"targets", "targets ", true},
                                           StopCase{"pictures", "pictures ", true},
                                           StopCase{"plan", "plan ", true},
                                           StopCase{"write", "write ", true},
                                           StopCase{"render", "render ", false},
                                           StopCase{"join", "join ", false},
                                           StopCase{"navigation", "navigation:", false},
                                           StopCase{"pdf", "pdf ", false}),
                         [](const auto& info) { return std::string(info.param.stage); });

TEST_F(RendererOnHostilePages, StopAfterThePdfIsInPlaceIsTooLateAndTheRunSucceeds)
{
    ASSERT_TRUE(WriteTextFile(Page(), SmallPage()));
    const ProgramResult result = RunRenderer(kRenderer, 150, 200, Page(), Pdf(), {"--verbose", "--piece-kb", "1"},
                                             {"CORVALE_RENDERER_STOP_AT=done"});
    EXPECT_EQ(result.signal, 0);
    EXPECT_EQ(result.exitCode, 0) << result.errorOutput;
    EXPECT_EQ(result.errorOutput.find("stopped"), std::string::npos) << result.errorOutput;
    EXPECT_TRUE(HasLineStarting(result.output, "pdf ")) << result.output;
    EXPECT_EQ(PdfPageSizes(Pdf()).size(), 12u);
}

TEST_F(RendererOnHostilePages, FifoAndOtherNonFilesNamedAsPicturesDoNotHoldTheRenderUp)
{
    ASSERT_EQ(mkfifo((m_folder / "pipe.png").c_str(), 0600), 0);
    fs::create_symlink("/dev/zero", m_folder / "zero.png");
    ASSERT_TRUE(WriteTextFile(Page(), kHead + "<p>Vorher</p><img src=\"pipe.png\" alt=\"Rohr\">"
                                              "<img src=\"zero.png\"><iframe src=\"pipe.png\"></iframe>"
                                              "<p style=\"background: url(pipe.png)\">Nachher</p>" + kTail));
    RunningProgram renderer(kRenderer, RendererArguments(150, 200, Page(), Pdf()), RendererEnvironment());
    ASSERT_TRUE(renderer.Started());
    ProcessWatch watch(renderer.Pid());
    ASSERT_TRUE(watch.WaitForEnd()) << "the render waited on the FIFO";
    const ProgramResult result = renderer.Finish();
    ASSERT_EQ(result.exitCode, 0) << result.errorOutput;
    const std::string text = PdfText(Pdf());
    EXPECT_NE(text.find("Vorher"), std::string::npos) << text;
    EXPECT_NE(text.find("Nachher"), std::string::npos) << text;
}

TEST_F(RendererOnHostilePages, ContentsDeeperThanAnyBookBecomeAnOutlineOfLimitedDepth)
{
    constexpr int kLevels = 100;
    ASSERT_TRUE(WriteTextFile(Page(), kHead + DeepContents(kLevels) + Entries(kLevels) + kTail));
    const ProgramResult result = RunRenderer(kRenderer, 150, 200, Page(), Pdf());
    ASSERT_EQ(result.exitCode, 0) << result.errorOutput;
    const std::vector<PdfOutlineEntry> outline = PdfOutline(Pdf());
    ASSERT_EQ(outline.size(), static_cast<std::size_t>(kLevels));
    for (int i = 0; i < kLevels; ++i) {
        EXPECT_EQ(outline[i].title, "Ebene " + std::to_string(i));
        EXPECT_EQ(outline[i].depth, std::min(i, static_cast<int>(kMaxOutlineDepth) - 1));
        EXPECT_EQ(outline[i].page, i + 1);
    }
}

}  // namespace
