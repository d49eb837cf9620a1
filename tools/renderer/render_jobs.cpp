#include "render_outcome.h"

#include <filesystem>
#include <string_view>
#include <system_error>

namespace {

bool IsPdfWritten(const std::filesystem::path& pdf)
{
    std::error_code error;
    return std::filesystem::is_regular_file(pdf, error) && std::filesystem::file_size(pdf, error) > 0 && !error;
}

}  // namespace

std::string PieceName(std::size_t index, std::size_t count)
{
    if (count == 1) return "the page";
    return "piece " + std::to_string(index + 1) + " of " + std::to_string(count);
}

void KeepOutput(std::string& output, const char* bytes, std::size_t size)
{
    output.append(bytes, size);
    if (output.size() > 2 * kKeptOutput) output.erase(0, output.size() - kKeptOutput);
}

// Its own error lines, not Qt's warnings about its surroundings.
std::string ErrorLineOf(const std::string& output)
{
    std::string found;
    std::size_t start = 0;
    while (start < output.size()) {
        std::size_t end = output.find('\n', start);
        if (end == std::string::npos) end = output.size();
        const std::string_view line(output.data() + start, end - start);
        if (line.starts_with("Error:") || line.starts_with("Exit with code"))
            found = std::string(line);
        else if (line.starts_with("QPainter::begin"))
            found = "it could not write its PDF";
        start = end + 1;
    }
    while (!found.empty() && (found.back() == '\r' || found.back() == ' ')) found.pop_back();
    return found;
}

std::string ExitOutcome(std::size_t index, const std::vector<RenderJob>& jobs, const std::string& output, long code)
{
    const std::string piece = PieceName(index, jobs.size());
    const std::string said = ErrorLineOf(output);
    const std::string detail = said.empty() ? std::string() : " (" + said + ")";
    if (code == 127 && output.empty()) return "the system's wkhtmltopdf could not be started";
    // A picture or sheet that could not be loaded (from outside the page's
    // folder, from the network) ends it with status 1 after it has written
    // the whole PDF without it: that is what the page is meant to give.
    const bool onlyLoadErrors = code == 1 && said.find("due to network error") != std::string::npos;
    if (onlyLoadErrors && IsPdfWritten(jobs[index].pdf)) return {};
    if (code != 0)
        return "the system's wkhtmltopdf failed on " + piece + " with exit status " + std::to_string(code) + detail;
    if (!IsPdfWritten(jobs[index].pdf)) return "the system's wkhtmltopdf wrote no PDF for " + piece + detail;
    return {};
}

std::string RenderAll(const RendererSetup& setup, const std::vector<RenderJob>& jobs, std::size_t parallel)
{
    FitRetries none;
    return RenderAll(setup, jobs, parallel, none);
}

const RendererSetup& SetupForAttempt(const RendererSetup& first, const FitRetries& retries, std::size_t attempt)
{
    return attempt == 0 ? first : retries.stronger[attempt - 1];
}

bool RenderAgainIfShrunk(const RenderJob& job, std::size_t attempt, FitRetries& retries)
{
    if (attempt >= retries.stronger.size() || !retries.shrunk || !retries.shrunk(job.pdf)) return false;
    // Its PDF is made anew, so that a run that writes none is seen.
    std::error_code ignored;
    std::filesystem::remove(job.pdf, ignored);
    ++retries.renderedAgain;
    return true;
}
