#include "font_coverage.h"

#include "base/utf8.h"

#include <algorithm>
#include <bitset>
#include <memory>
#include <set>
#include <utility>

namespace {

// Control and format characters: nothing to draw, so no font needs them.
constexpr std::pair<char32_t, char32_t> kDrawNothing[] = {
    {0x80, 0x9F},     {0xAD, 0xAD},     {0x34F, 0x34F},   {0x61C, 0x61C},   {0x180E, 0x180E},
    {0x200B, 0x200F}, {0x2028, 0x202E}, {0x2060, 0x206F}, {0xFE00, 0xFE0F}, {0xFEFF, 0xFEFF},
    {0xFFFD, 0xFFFD}, {0xE0000, 0xE0FFF},
};

bool DrawsNothing(char32_t cp)
{
    for (const auto& [first, last] : kDrawNothing)
        if (cp >= first && cp <= last) return true;
    return false;
}

struct ScriptBlock {
    char32_t first, last;
    const char* name;
};

// Named blocks, in the order their names are said. Han comes first: it is
// folded into Japanese or Korean when those are named too.
constexpr const char* kHan = "Chinese";
constexpr ScriptBlock kBlocks[] = {
    {0x2E80, 0x2FDF, kHan},      {0x3000, 0x303F, kHan},      {0x3100, 0x312F, kHan},
    {0x31A0, 0x31BF, kHan},      {0x31C0, 0x31EF, kHan},      {0x3400, 0x4DBF, kHan},
    {0x4E00, 0x9FFF, kHan},      {0xF900, 0xFAFF, kHan},      {0xFE30, 0xFE4F, kHan},
    {0xFF00, 0xFF60, kHan},      {0x20000, 0x3134F, kHan},    {0x3040, 0x30FF, "Japanese"},
    {0x31F0, 0x31FF, "Japanese"}, {0xFF61, 0xFF9F, "Japanese"}, {0x1100, 0x11FF, "Korean"},
    {0x3130, 0x318F, "Korean"},  {0xA960, 0xA97F, "Korean"},  {0xAC00, 0xD7FF, "Korean"},
    {0xFFA0, 0xFFDC, "Korean"},  {0x0370, 0x03FF, "Greek"},   {0x1F00, 0x1FFF, "Greek"},
    {0x0400, 0x052F, "Cyrillic"}, {0x0530, 0x058F, "Armenian"}, {0x0590, 0x05FF, "Hebrew"},
    {0x0600, 0x06FF, "Arabic"},  {0x0750, 0x077F, "Arabic"},  {0x08A0, 0x08FF, "Arabic"},
    {0xFB50, 0xFDFF, "Arabic"},  {0xFE70, 0xFEFF, "Arabic"},  {0x0700, 0x074F, "Syriac"},
    {0x0780, 0x07BF, "Thaana"},  {0x0900, 0x097F, "Devanagari"}, {0x0980, 0x09FF, "Bengali"},
    {0x0A00, 0x0A7F, "Gurmukhi"}, {0x0A80, 0x0AFF, "Gujarati"}, {0x0B00, 0x0B7F, "Oriya"},
    {0x0B80, 0x0BFF, "Tamil"},   {0x0C00, 0x0C7F, "Telugu"},  {0x0C80, 0x0CFF, "Kannada"},
    {0x0D00, 0x0D7F, "Malayalam"}, {0x0D80, 0x0DFF, "Sinhala"}, {0x0E00, 0x0E7F, "Thai"},
    {0x0E80, 0x0EFF, "Lao"},     {0x0F00, 0x0FFF, "Tibetan"}, {0x1000, 0x109F, "Myanmar"},
    {0x10A0, 0x10FF, "Georgian"}, {0x1200, 0x139F, "Ethiopic"}, {0x13A0, 0x13FF, "Cherokee"},
    {0x1780, 0x17FF, "Khmer"},   {0x1800, 0x18AF, "Mongolian"},
};

const char* ScriptOf(char32_t cp)
{
    for (const ScriptBlock& block : kBlocks)
        if (cp >= block.first && cp <= block.last) return block.name;
    return nullptr;
}

}  // namespace

std::vector<char32_t> TextCodePoints(const std::vector<HtmlToken>& tokens)
{
    // One pass over the text; a bit per character of the basic plane.
    auto basic = std::make_unique<std::bitset<0x10000>>();
    std::set<char32_t> beyond;
    bool rawText = false;
    std::string decoded;
    for (const HtmlToken& token : tokens) {
        if (token.kind == HtmlTokenKind::StartTag) {
            rawText = !token.selfClosing && HasRawTextContent(token.name);
            continue;
        }
        if (token.kind != HtmlTokenKind::Text || rawText) {
            rawText = false;
            continue;
        }
        std::string_view text = token.raw;
        if (text.find('&') != std::string_view::npos) {
            decoded = DecodeHtmlEntities(text);
            text = decoded;
        }
        for (std::size_t pos = 0; pos < text.size();) {
            if (static_cast<unsigned char>(text[pos]) < 0x80) {
                ++pos;
                continue;
            }
            const char32_t cp = NextCodePoint(text, pos);
            if (cp < 0x10000)
                basic->set(cp);
            else
                beyond.insert(cp);
        }
    }
    std::vector<char32_t> codePoints;
    for (char32_t cp = 0x80; cp < 0x10000; ++cp)
        if (basic->test(cp) && !DrawsNothing(cp)) codePoints.push_back(cp);
    for (char32_t cp : beyond)
        if (!DrawsNothing(cp)) codePoints.push_back(cp);
    return codePoints;
}

std::vector<std::string> ScriptsOf(const std::vector<char32_t>& missing)
{
    std::vector<const char*> found;
    bool other = false;
    for (char32_t cp : missing) {
        const char* script = ScriptOf(cp);
        if (!script)
            other = true;
        else if (std::find(found.begin(), found.end(), script) == found.end())
            found.push_back(script);
    }
    const auto named = [&](const char* name) {
        return std::any_of(found.begin(), found.end(), [&](const char* s) { return std::string_view(s) == name; });
    };
    const bool hanFolded = named("Japanese") || named("Korean");
    std::vector<std::string> scripts;
    for (const ScriptBlock& block : kBlocks) {
        if (!named(block.name) || (block.name == kHan && hanFolded)) continue;
        if (std::find(scripts.begin(), scripts.end(), block.name) == scripts.end()) scripts.push_back(block.name);
    }
    if (other) scripts.push_back("other");
    return scripts;
}

std::string MissingFontNote(const std::vector<char32_t>& missing)
{
    std::vector<std::string> scripts = ScriptsOf(missing);
    if (scripts.empty()) return {};
    const bool other = scripts.back() == "other";
    if (other) scripts.pop_back();
    if (scripts.empty()) return "no font could draw some of its characters";
    std::string names;
    for (std::size_t i = 0; i < scripts.size(); ++i) {
        if (i > 0) names += i + 1 == scripts.size() ? " and " : ", ";
        names += scripts[i];
    }
    return "no font could draw its " + names + " text" + (other ? " and some other characters" : "");
}
