// Converts books of growing size and tells, per book, how long the whole
// conversion took against the renderer's own time on the same page (what is
// left is the overhead of everything but rendering), how the renderer's
// pieces compare with rendering the page in one piece, and the peak memory.
//
//   corvale-bench [--quick]      the books (--quick: the three smallest)
//   corvale-bench --scan         render times by piece size, for tuning
//
// Each book runs in a child process of its own, so the memory figures are
// that book's alone.
#include "bench_books.h"

#include "engine/html_images.h"
#include "engine/mobi_pdf.h"
#include "base/paths.h"
#include "base/unique_fd.h"
#include "settings/options.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

struct Measure {
    double total = 0, mobi2html = 0, rewrite = 0, render = 0, whole = 0;
    double pageBytes = 0;
    int pieces = 0;
    long toolPeakKb = 0, selfPeakKb = 0;
    bool ok = false;
};

double Seconds(std::chrono::steady_clock::time_point since)
{
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - since).count();
}

std::string Quote(const fs::path& path) { return ToNativeBytes(VelmoraEng::QuoteScriptArgument(FromNativePath(path))); }

struct RenderRun {
    double seconds = 0;
    int pieces = 0;
    bool ok = false;
};

// Runs the renderer of bin/core as the program does, with `extra` options
// (--piece-kb 0: the page in one piece); its --verbose report gives the
// number of pieces.
RenderRun RunRenderer(const fs::path& core, const fs::path& page, const fs::path& pdf, const std::string& extra)
{
    const std::string command = Quote(core / "wkhtmltopdf") + " --verbose --page-width 210 --page-height 297 " +
                                extra + " " + Quote(page) + " " + Quote(pdf) + " 2>/dev/null";
    RenderRun run;
    const auto start = std::chrono::steady_clock::now();
    FILE* report = popen(command.c_str(), "r");
    if (!report)
        return run;
    char line[256];
    while (std::fgets(line, sizeof line, report))
        std::sscanf(line, "write %d pieces", &run.pieces);
    run.ok = pclose(report) == 0;
    run.seconds = Seconds(start);
    return run;
}

// Runs the stages one by one on the same book, timing each, then the whole
// conversion as the program does it.
Measure MeasureBook(const fs::path& book, const fs::path& scratch)
{
    Measure m;
    Engine<MobiPdfEng> engine;
    const fs::path core = fs::path(ToNativeBytes(engine.GetToolPath()));
    const fs::path html = scratch / "html";
    const fs::path pdf = scratch / "render.pdf";

    auto start = std::chrono::steady_clock::now();
    const std::string unpack = Quote(core / "mobi2html") + " " + Quote(book) + " " + Quote(html) + " >/dev/null 2>&1";
    if (std::system(unpack.c_str()) != 0)
        return m;
    m.mobi2html = Seconds(start);

    start = std::chrono::steady_clock::now();
    const std::wstring page = RewriteHtmlImages(FromNativePath(html / (book.stem().string() + ".html")));
    m.rewrite = Seconds(start);

    std::error_code error;
    m.pageBytes = static_cast<double>(fs::file_size(ToNativePath(page), error));
    const RenderRun pieces = RunRenderer(core, ToNativePath(page), pdf, "");
    if (!pieces.ok)
        return m;
    m.render = pieces.seconds;
    m.pieces = pieces.pieces;

    start = std::chrono::steady_clock::now();
    engine.m_bSameFolder = true;
    engine.AddJob(FromNativePath(book));
    if (!engine.Start())
        return m;
    engine.WaitForWorker();
    m.total = Seconds(start);
    m.ok = engine.GetJob(0).state == STATUS_FINISHED;

    rusage usage{};
    getrusage(RUSAGE_CHILDREN, &usage);
    m.toolPeakKb = usage.ru_maxrss;
    getrusage(RUSAGE_SELF, &usage);
    m.selfPeakKb = usage.ru_maxrss;

    // Last, so that its memory does not count above: the same page in one
    // piece, as the system's wkhtmltopdf alone would render it.
    const RenderRun whole = RunRenderer(core, ToNativePath(page), pdf, "--piece-kb 0");
    m.whole = whole.seconds;
    m.ok = m.ok && whole.ok;
    return m;
}

}  // namespace

// Unpacks and rewrites `book` into `folder`; the rewritten page, or empty.
fs::path MakePage(const fs::path& book, const fs::path& folder)
{
    Engine<MobiPdfEng> engine;
    const fs::path core = fs::path(ToNativeBytes(engine.GetToolPath()));
    const std::string unpack = Quote(core / "mobi2html") + " " + Quote(book) + " " + Quote(folder) + " >/dev/null 2>&1";
    if (std::system(unpack.c_str()) != 0)
        return {};
    return ToNativePath(RewriteHtmlImages(FromNativePath(folder / (book.stem().string() + ".html"))));
}

// Render times of a few pages by the heaviest piece allowed, to choose it.
int Scan(const fs::path& root)
{
    Engine<MobiPdfEng> engine;
    const fs::path core = fs::path(ToNativeBytes(engine.GetToolPath()));
    const char* const sizes[] = {"64", "128", "256", "384", "512", "768", "1024", "0"};
    std::printf("%-10s %8s", "book", "page KB");
    for (const char* size : sizes)
        std::printf(" %9s", (std::string(size) == "0" ? std::string("whole") : std::string(size) + "K").c_str());
    std::printf("   (seconds, pieces)\n");
    for (const BenchBook& wanted : BenchBooks(false)) {
        if (wanted.name == "small" || wanted.name == "huge")
            continue;
        const fs::path folder = root / wanted.name;
        fs::create_directories(folder);
        const fs::path book = folder / (wanted.name + ".mobi");
        if (!WriteMobiBook(book, MakeBenchBook(wanted)))
            return 1;
        const fs::path page = MakePage(book, folder / "html");
        std::error_code error;
        std::printf("%-10s %8ju", wanted.name.c_str(), static_cast<std::uintmax_t>(fs::file_size(page, error) / 1024));
        for (const char* size : sizes) {
            const RenderRun run = RunRenderer(core, page, folder / "scan.pdf", std::string("--piece-kb ") + size);
            std::printf(" %6.2f/%-2d", run.seconds, run.pieces);
            std::fflush(stdout);
        }
        std::printf("\n");
    }
    return 0;
}

int main(int argc, char* argv[])
{
    const std::string option = argc > 1 ? argv[1] : "";
    if (argc > 2 || (option != "" && option != "--quick" && option != "--scan")) {
        const bool help = option == "--help" || option == "-h";
        std::fprintf(help ? stdout : stderr,
                     "usage: corvale-bench [--quick | --scan]\n"
                     "  (none)   every book, from 24 KB of page to the dictionary\n"
                     "  --quick  only the three smaller books\n"
                     "  --scan   render times of the larger pages for each piece size\n");
        return help ? 0 : 2;
    }
    const bool quick = option == "--quick";
    const bool scan = option == "--scan";
    char pattern[] = "/tmp/corvale-bench-XXXXXX";
    if (!mkdtemp(pattern)) {
        std::perror("mkdtemp");
        return 1;
    }
    const fs::path root = pattern;
    setenv("XDG_CACHE_HOME", (root / "cache").c_str(), 1);
    if (scan) {
        const int status = Scan(root);
        std::error_code error;
        fs::remove_all(root, error);
        return status;
    }

    std::printf("%-10s %8s %6s %8s %8s %7s %8s %8s %8s %8s %8s %9s %8s %7s\n", "book", "page KB", "images",
                "total s", "render s", "s/MB", "pieces", "whole s", "speed-up", "overhead", "unpack s", "rewrite s",
                "tools MB", "self MB");
    int failures = 0;
    for (const BenchBook& size : BenchBooks(quick)) {
        const fs::path folder = root / size.name;
        fs::create_directories(folder);
        const fs::path book = folder / (size.name + ".mobi");
        if (!WriteMobiBook(book, MakeBenchBook(size))) {
            std::fprintf(stderr, "cannot write %s\n", book.c_str());
            return 1;
        }
        // One child process per book keeps each book's peak memory apart.
        int pipeFds[2];
        if (pipe(pipeFds) != 0)
            return 1;
        UniqueFd results(pipeFds[0]), resultsWrite(pipeFds[1]);
        const pid_t pid = fork();
        if (pid == 0) {
            results.Close();
            const Measure m = MeasureBook(book, folder);
            const ssize_t written = write(resultsWrite.Get(), &m, sizeof m);
            _exit(written == sizeof m ? 0 : 1);
        }
        resultsWrite.Close();
        Measure m;
        const bool got = read(results.Get(), &m, sizeof m) == sizeof m;
        results.Close();
        if (pid > 0)
            waitpid(pid, nullptr, 0);
        if (!got || !m.ok) {
            std::printf("%-10s conversion failed\n", size.name.c_str());
            ++failures;
            continue;
        }
        const double megabytes = m.pageBytes / (1024 * 1024);
        std::printf("%-10s %8.0f %6d %8.2f %8.2f %7.2f %8d %8.2f %8.2f %8.2f %8.2f %9.3f %8.1f %7.1f\n",
                    size.name.c_str(), m.pageBytes / 1024, size.images, m.total, m.render, m.render / megabytes,
                    m.pieces, m.whole, m.whole / m.render, m.total - m.render, m.mobi2html, m.rewrite,
                    m.toolPeakKb / 1024.0, m.selfPeakKb / 1024.0);
        std::fflush(stdout);
    }
    std::error_code error;
    fs::remove_all(root, error);
    return failures == 0 ? 0 : 1;
}
