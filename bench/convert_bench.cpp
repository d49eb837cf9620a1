// Converts books of growing size and tells, per book, how long the whole
// conversion took against the renderer's own time on the same page (what is
// left is the overhead of everything but rendering), and the peak memory.
//
//   corvale-bench [--quick]
//
// Each book runs in a child process of its own, so the memory figures are
// that book's alone.
#include "bench_books.h"

#include "engine/html_images.h"
#include "engine/mobi_pdf.h"
#include "engine/paths.h"
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
    double total = 0, mobi2html = 0, rewrite = 0, render = 0;
    long toolPeakKb = 0, selfPeakKb = 0;
    bool ok = false;
};

double Seconds(std::chrono::steady_clock::time_point since)
{
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - since).count();
}

std::string Quote(const fs::path& path) { return ToNativeBytes(VelmoraEng::QuoteScriptArgument(FromNativePath(path))); }

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

    start = std::chrono::steady_clock::now();
    const std::string render = Quote(core / "wkhtmltopdf") + " --page-width 210 --page-height 297 " +
                               Quote(ToNativePath(page)) + " " + Quote(pdf) + " >/dev/null 2>&1";
    std::system(render.c_str());
    m.render = Seconds(start);

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
    return m;
}

}  // namespace

int main(int argc, char* argv[])
{
    const bool quick = argc > 1 && std::string(argv[1]) == "--quick";
    char pattern[] = "/tmp/corvale-bench-XXXXXX";
    if (!mkdtemp(pattern)) {
        std::perror("mkdtemp");
        return 1;
    }
    const fs::path root = pattern;
    setenv("XDG_CACHE_HOME", (root / "cache").c_str(), 1);

    std::printf("%-8s %8s %6s %9s %9s %9s %9s %9s %10s %9s\n", "book", "text KB", "images", "total s",
                "render s", "overhead", "unpack s", "rewrite s", "tools MB", "self MB");
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
        const pid_t pid = fork();
        if (pid == 0) {
            close(pipeFds[0]);
            const Measure m = MeasureBook(book, folder);
            const ssize_t written = write(pipeFds[1], &m, sizeof m);
            _exit(written == sizeof m ? 0 : 1);
        }
        close(pipeFds[1]);
        Measure m;
        const bool got = read(pipeFds[0], &m, sizeof m) == sizeof m;
        close(pipeFds[0]);
        waitpid(pid, nullptr, 0);
        if (!got || !m.ok) {
            std::printf("%-8s conversion failed\n", size.name.c_str());
            ++failures;
            continue;
        }
        std::printf("%-8s %8zu %6d %9.2f %9.2f %9.2f %9.2f %9.3f %10.1f %9.1f\n", size.name.c_str(),
                    size.textBytes / 1024, size.images, m.total, m.render, m.total - m.render, m.mobi2html,
                    m.rewrite, m.toolPeakKb / 1024.0, m.selfPeakKb / 1024.0);
        std::fflush(stdout);
    }
    std::error_code error;
    fs::remove_all(root, error);
    return failures == 0 ? 0 : 1;
}
