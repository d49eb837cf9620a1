#include "console_report.h"

#include <cstdio>

#ifdef _WIN32
#include <io.h>
#define isatty _isatty
#define fileno _fileno
#else
#include <unistd.h>
#endif

ConsoleReport::ConsoleReport() : m_bBar(isatty(fileno(stderr)) != 0) {}

void ConsoleReport::ClearBar()
{
    if (m_bBarShown) {
        std::fputs("\r\033[K", stderr);
        m_bBarShown = false;
    }
}

void ConsoleReport::Line(const std::string& text)
{
    std::lock_guard guard(m_lock);
    ClearBar();
    std::fflush(stderr);
    std::printf("%s\n", text.c_str());
    std::fflush(stdout);
}

void ConsoleReport::Error(const std::string& text)
{
    std::lock_guard guard(m_lock);
    ClearBar();
    std::fprintf(stderr, "corvale-convert: %s\n", text.c_str());
}

void ConsoleReport::Progress(int percent, const std::string& book)
{
    if (!m_bBar)
        return;
    std::lock_guard guard(m_lock);
    constexpr int kWidth = 30;
    const int filled = percent * kWidth / 100;
    std::string bar(static_cast<size_t>(filled), '#');
    bar.resize(kWidth, '-');
    std::string name = book;
    if (name.size() > 40)
        name = "..." + name.substr(name.size() - 37);
    std::fprintf(stderr, "\r\033[K[%s] %3d%%  %s", bar.c_str(), percent, name.c_str());
    std::fflush(stderr);
    m_bBarShown = true;
}
