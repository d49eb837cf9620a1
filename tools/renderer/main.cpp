// wkhtmltopdf --page-width W --page-height H INPUT OUTPUT
// Renders a book's HTML page into a PDF of W by H millimetres with the
// system's wkhtmltopdf. A large page is cut at its own page breaks into
// pieces that are rendered side by side, one per processor, and joined in
// reading order: the renderer's time grows faster than the page, so pieces
// keep the cost per MB the same for every book. A piece that the system's
// wkhtmltopdf shrank to fit something too wide is rendered again with rules
// that make its content fit the text column. The joined PDF gets the
// book's outline, links inside the book that lead to their page, its
// document information and its cover as the first page, from what
// mobi2html wrote into the page.
//
// On failure it writes one line to standard error, "wkhtmltopdf: " and the
// reason, exits with a non-zero status and leaves no OUTPUT behind. A PDF
// that lacks some of the book's text, because no installed font has its
// characters, is still written; the last line on standard error then says
// so: "wkhtmltopdf note: no font could draw its Chinese text". Every
// file it makes on the way lies in the page's folder and is removed again.
#include "book_layout.h"
#include "base/die_with_parent.h"
#include "base/paths.h"
#include "base/utf8_arguments.h"
#include "break_opportunities.h"
#include "font_coverage.h"
#include "html_tokens.h"
#include "link_targets.h"
#include "page_facts.h"
#include "page_splitter.h"
#include "pdf_cover.h"
#include "pdf_info.h"
#include "pdf_join.h"
#include "pdf_navigation.h"
#include "piece_scale.h"
#include "picture_limits.h"
#include "picture_references.h"
#include "piece_writer.h"
#include "render_jobs.h"
#include "render_options.h"
#include "stop_signal.h"
#include "system_renderer.h"
#include "text_layer.h"
#include "work_area.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string_view>

namespace fs = std::filesystem;

namespace {

constexpr int kFailed = 1;
constexpr int kUsage = 2;
constexpr int kNotInstalled = 127;

// Piece sizes, chosen with corvale-bench --scan on two processors. Each run
// of the system renderer costs about a third of a second of its own, so a
// page below splitFrom is rendered whole, as fast as before; above it every
// processor gets a piece; and no piece is heavier than maxWeight. The
// renderer slows down with every page it holds (a dictionary of 4,000
// one-page entries takes five times as long as one of 2,000), so each page
// break weighs as much as a KB of text: a dictionary's pieces hold some
// 700 entries, an ordinary book's a MB of text.
constexpr std::size_t kKb = 1024;
constexpr PieceSizes kPieceSizes{
    .maxWeight = 1024 * kKb,
    .breakWeight = kKb,
    .splitFrom = 256 * kKb,
    .spread = 0,  // set to the usable processors
};

bool PieceIsShrunk(const fs::path& pdf)
{
    const std::optional<double> scale = DrawingScale(pdf);
    return scale && IsShrunk(*scale);
}

int Fail(const std::string& reason, int status = kFailed)
{
    std::fflush(stdout);
    std::fprintf(stderr, "wkhtmltopdf: %s\n", reason.c_str());
    return status;
}

// For the tests: the stage named by this variable requests a stop of its
// own when it begins, so that a test can see every stage obey a stop
// without guessing when to send one.
constexpr const char* kStopAtVariable = "CORVALE_RENDERER_STOP_AT";

// With --verbose, the time each stage took, on standard output.
class StageReport {
public:
    explicit StageReport(bool enabled) : m_bEnabled(enabled)
    {
        if (const char* stage = std::getenv(kStopAtVariable)) m_stopAt = stage;
    }
    // Called as the stage `name` begins.
    void Begin(std::string_view name) const
    {
        if (!m_stopAt.empty() && m_stopAt == name) StopSignal::Request();
    }
    void Stage(const std::string& name)
    {
        const auto now = std::chrono::steady_clock::now();
        if (m_bEnabled)
            std::printf("%s %.3f s\n", name.c_str(), std::chrono::duration<double>(now - m_last).count());
        m_last = now;
    }

private:
    bool m_bEnabled;
    std::string m_stopAt;
    std::chrono::steady_clock::time_point m_last = std::chrono::steady_clock::now();
};

int Render(const RenderOptions& options)
{
    StageReport report(options.verbose);
    if (std::getenv(kNestedVariable))
        return Fail("found itself in place of the system's wkhtmltopdf", kNotInstalled);
    std::string missing;
    const std::optional<fs::path> program = FindSystemRenderer(missing);
    if (!program) return Fail(missing, kNotInstalled);

    std::error_code error;
    const fs::path input = fs::canonical(options.input, error);
    if (error || !fs::is_regular_file(input, error))
        return Fail("cannot read the page " + PathText(options.input) + ": " +
                    (error ? error.message() : std::string("not a file")));
    const fs::path outputFolder = fs::absolute(options.output, error).parent_path();
    if (!fs::is_directory(outputFolder, error))
        return Fail("cannot write the PDF " + PathText(options.output) + ": its folder does not exist");

    std::string reason;
    std::string page;
    if (!ReadWholeFile(input, page)) return Fail("cannot read the page " + PathText(input) + ": " + SystemError());

    const fs::path pageFolder = input.parent_path();
    const PageSize size{options.pageWidth, options.pageHeight};
    WorkArea area;
    fs::path runtime;
    if (!area.Create(pageFolder, reason) || !area.MakeRuntimeFolder(runtime, reason)) return Fail(reason);

    PageFacts facts;
    std::vector<std::string> targets;
    std::string fontNote;
    report.Begin("targets");
    {
        const std::vector<HtmlToken> tokens = TokenizeHtml(page);
        facts = ReadPageFacts(tokens);
        fontNote = MissingFontNote(MissingFromFonts(TextCodePoints(tokens)));
        MarkedPage marked = MarkLinkTargets(page, tokens);
        page = std::move(marked.page);
        targets = std::move(marked.targets);
    }
    std::optional<CoverPicture> cover;
    if (!facts.cover.empty())
        if (const fs::path picture = ResolvePicture(facts.cover, pageFolder); !picture.empty())
            cover = PrepareCover(picture, area, size);
    if (StopSignal::Requested()) return kFailed;
    report.Stage("targets " + std::to_string(targets.size()) + (cover ? ", cover" : "") +
                 (fontNote.empty() ? ", every character has a font" : ", " + fontNote));

    // The page, its tokens and its pieces' text are let go before the
    // renderers start: they may be many MB.
    std::vector<RenderJob> jobs;
    {
        const std::vector<HtmlToken> tokens = TokenizeHtml(page);
        report.Begin("pictures");
        const std::vector<TextEdit> edits =
            MergeEdits(FitPictures(page, tokens, pageFolder, area, size), AddBreakOpportunities(page, tokens));
        if (StopSignal::Requested()) return kFailed;
        report.Stage("pictures");

        PieceSizes sizes = kPieceSizes;
        sizes.spread = UsableProcessors();
        if (options.pieceKb) sizes.maxWeight = sizes.splitFrom = *options.pieceKb * kKb;  // 0: one piece
        report.Begin("plan");
        const PagePlan plan = PlanPieces(page, tokens, sizes);
        if (StopSignal::Requested()) return kFailed;
        report.Stage("plan");

        report.Begin("write");
        for (std::size_t i = 0; i < plan.pieces.size(); ++i) {
            if (StopSignal::Requested()) return kFailed;
            RenderJob job;
            if (!area.WritePiece(i + 1, ComposePiece(page, plan, i, edits), job.page, reason)) return Fail(reason);
            job.pdf = area.Folder() / ("piece-" + std::to_string(i + 1) + ".pdf");
            jobs.push_back(std::move(job));
        }
        std::string().swap(page);
        if (StopSignal::Requested()) return kFailed;
        report.Stage("write " + std::to_string(jobs.size()) + " pieces");
    }

    // A setup for each fit level: the first for every piece, the others for
    // a piece drawn smaller than the layout's size.
    std::vector<RendererSetup> setups;
    for (int level = 0; level <= static_cast<int>(kStrongestFit); ++level) {
        PageSetup pageSetup{options.pageWidthText, options.pageHeightText, LayoutFor(size), {}};
        const std::string rules = MarkerRules() + FitRules(static_cast<FitLevel>(level));
        if (!area.WriteFile("book-" + std::to_string(level) + ".css", LayoutStyleSheet(pageSetup.layout, rules),
                            pageSetup.styleSheet, reason))
            return Fail(reason);
        setups.push_back(MakeRendererSetup(*program, pageFolder, pageSetup, runtime));
    }
    report.Begin("render");
    FitRetries retries{{setups.begin() + 1, setups.end()}, PieceIsShrunk, 0};
    reason = RenderAll(setups.front(), jobs, UsableProcessors(), retries);
    if (StopSignal::Requested()) return kFailed;
    if (!reason.empty()) return Fail(reason);

    report.Stage("render, " + std::to_string(retries.renderedAgain) + " pieces again");

    PdfJoiner joiner;
    LandingPlaces places(targets.size());
    const auto takeMarkers = [&](QPDFObjectHandle page, std::size_t number) { places.TakeMarkers(page, number); };
    report.Begin("join");
    for (std::size_t i = 0; i < jobs.size(); ++i) {
        const bool appended = joiner.Append(jobs[i].pdf, PieceName(i, jobs.size()), takeMarkers, reason);
        if (StopSignal::Requested()) return kFailed;
        if (!appended) return Fail(reason);
    }
    report.Stage("join");
    report.Begin("navigation");
    NavigationCounts counts;
    std::size_t letters = 0;
    try {
        counts = WriteNavigation(joiner.Document(), places, targets, facts.outline, area.PieceStem());
        WriteDocumentInfo(joiner.Document(), facts);
        if (cover) InsertCoverPage(joiner.Document(), *cover);
        letters = RestoreBaseLettersInFonts(joiner.Document());
    } catch (const std::exception& exception) {
        return Fail("cannot finish the PDF: " + std::string(exception.what()));
    }
    if (StopSignal::Requested()) return kFailed;
    report.Stage("navigation: " + std::to_string(counts.targets) + " targets found, " + std::to_string(counts.links) +
                 " links, " + std::to_string(counts.dropped) + " dropped, " + std::to_string(counts.outline) +
                 " outline entries, " + std::to_string(letters) + " glyphs read as their letters");
    report.Begin("pdf");
    const bool written = joiner.Write(options.output, reason);
    if (StopSignal::Requested() && !written) return kFailed;
    if (!written) return Fail(reason);
    // The PDF is whole and in its place: the work is done, and a stop that
    // comes now is too late to undo it. From here on it is held off, so the
    // renderer never ends "stopped" with the PDF left behind.
    report.Begin("done");
    StopSignal::HoldOff();
    report.Stage("pdf");
    if (!fontNote.empty()) {
        std::fflush(stdout);
        std::fprintf(stderr, "wkhtmltopdf note: %s\n", fontNote.c_str());
    }
    return 0;
}

}  // namespace

#ifdef _WIN32
// Wide arguments keep any file name intact; the options read them as UTF-8.
int wmain(int argc, wchar_t** wideArgv)
{
    Utf8Arguments arguments(argc, wideArgv);
    char** argv = arguments.Argv();
#else
int main(int argc, char** argv)
{
#endif
    if (!DieWithParent()) return kFailed;
    std::string error;
    const std::optional<RenderOptions> options = ParseRenderOptions(argc, argv, error);
    if (!options) return Fail(error, kUsage);
    int status = 0;
    {
        StopSignal stop;
        status = Render(*options);
    }
    if (status != 0 && StopSignal::Requested()) {
        Fail("stopped");
        StopSignal::EndWithSignal();
    }
    return status;
}
