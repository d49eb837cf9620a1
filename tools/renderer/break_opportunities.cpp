#include "break_opportunities.h"

#include "arabic_runs.h"

#include <algorithm>
#include <iterator>
#include <utility>

namespace {

constexpr std::size_t kMostWithoutBreak = 20;
constexpr std::string_view kWbr = "<wbr>";

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f'; }

bool IsAscii(char c) { return static_cast<unsigned char>(c) < 0x80; }

// Characters after which a long run may break as a reader expects.
bool IsSeparator(char c) { return std::string_view("/\\._-?&=:;,|+~#@").find(c) != std::string_view::npos; }

// Length of the character reference at text[at] ('&' ... ';'), or 1.
std::size_t CharacterLength(std::string_view text, std::size_t at)
{
    if (text[at] != '&') return 1;
    std::size_t end = at + 1;
    while (end < text.size() && end - at < 32 &&
           ((text[end] >= 'a' && text[end] <= 'z') || (text[end] >= 'A' && text[end] <= 'Z') ||
            (text[end] >= '0' && text[end] <= '9') || text[end] == '#'))
        ++end;
    return end < text.size() && text[end] == ';' && end > at + 1 ? end + 1 - at : 1;
}

// The run [begin, end) of `text`, whose characters all are ASCII, with its
// break opportunities, appended to `out`.
void AppendBroken(std::string& out, std::string_view text, std::size_t begin, std::size_t end)
{
    std::size_t sinceBreak = 0;
    for (std::size_t at = begin; at < end;) {
        const std::size_t length = CharacterLength(text, at);
        const char c = length > 1 ? '&' : text[at];
        if (sinceBreak >= kMostWithoutBreak) {
            out += kWbr;
            sinceBreak = 0;
        }
        out.append(text.substr(at, length));
        at += length;
        ++sinceBreak;
        // After a separator, unless more of them follow ("://", "--").
        if (IsSeparator(c) && at < end && !IsSeparator(text[at]) && sinceBreak > 1) {
            out += kWbr;
            sinceBreak = 0;
        }
    }
}

// `text` with its break opportunities; empty when it needs none.
std::string BrokenText(std::string_view text)
{
    std::string out;
    std::size_t copied = 0;
    std::size_t at = 0;
    while (at < text.size()) {
        if (IsBlank(text[at])) {
            ++at;
            continue;
        }
        std::size_t end = at;
        std::size_t characters = 0;
        bool ascii = true;
        while (end < text.size() && !IsBlank(text[end])) {
            ascii = ascii && IsAscii(text[end]);
            end += CharacterLength(text, end);
            ++characters;
        }
        if (ascii && characters >= kLongRun) {
            out.append(text.substr(copied, at - copied));
            AppendBroken(out, text, at, end);
            copied = end;
        }
        at = end;
    }
    if (copied == 0) return {};
    out.append(text.substr(copied));
    return out;
}

}  // namespace

std::vector<TextEdit> AddBreakOpportunities(std::string_view page, const std::vector<HtmlToken>& tokens)
{
    std::vector<TextEdit> edits;
    bool inBody = false;
    std::string_view rawTextElement;  // the open script, style, title or the like
    int foreignDepth = 0;             // inside <svg> or <math>, where <wbr> means nothing
    for (const HtmlToken& token : tokens) {
        const bool foreign = token.name == "svg" || token.name == "math";
        if (token.kind == HtmlTokenKind::StartTag) {
            inBody = inBody || token.name == "body";
            if (HasRawTextContent(token.name) && !token.selfClosing) rawTextElement = token.name;
            if (foreign && !token.selfClosing) ++foreignDepth;
            continue;
        }
        if (token.kind == HtmlTokenKind::EndTag) {
            if (token.name == rawTextElement) rawTextElement = {};
            if (foreign && foreignDepth > 0) --foreignDepth;
            continue;
        }
        if (token.kind != HtmlTokenKind::Text || !inBody || !rawTextElement.empty() || foreignDepth > 0) continue;
        std::string text = BrokenText(token.raw);
        std::string separated = SeparateArabicRuns(text.empty() ? token.raw : std::string_view(text));
        if (!separated.empty()) text = std::move(separated);
        if (text.empty()) continue;
        const std::size_t begin = static_cast<std::size_t>(token.raw.data() - page.data());
        edits.push_back({begin, begin + token.raw.size(), std::move(text)});
    }
    return edits;
}

std::vector<TextEdit> MergeEdits(std::vector<TextEdit> a, std::vector<TextEdit> b)
{
    std::vector<TextEdit> merged;
    merged.reserve(a.size() + b.size());
    std::merge(std::make_move_iterator(a.begin()), std::make_move_iterator(a.end()), std::make_move_iterator(b.begin()),
               std::make_move_iterator(b.end()), std::back_inserter(merged),
               [](const TextEdit& x, const TextEdit& y) { return x.begin < y.begin; });
    return merged;
}
