#include "to_unicode_cmap.h"

#include "presentation_forms.h"

#include <cstdint>
#include <optional>
#include <vector>

namespace {

constexpr std::size_t kMaxRangeCodes = 256;

// One token of a mapping section: a hex string <...>, or '[' or ']'.
struct Token {
    std::size_t begin = 0;  // in the CMap's text
    std::size_t end = 0;
    char kind = '<';
    std::string_view hex;  // the digits of a hex string, white space included
};

int HexValue(char c)
{
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

// The bytes of a hex string; nothing for a bad digit or an odd count.
std::optional<std::vector<std::uint8_t>> HexBytes(std::string_view hex)
{
    std::vector<std::uint8_t> bytes;
    int high = -1;
    for (char c : hex) {
        if (c == ' ' || c == '\t' || c == '\r' || c == '\n') continue;
        const int value = HexValue(c);
        if (value < 0) return std::nullopt;
        if (high < 0) {
            high = value;
        } else {
            bytes.push_back(static_cast<std::uint8_t>(high * 16 + value));
            high = -1;
        }
    }
    if (high >= 0) return std::nullopt;
    return bytes;
}

std::optional<std::u16string> Utf16Of(std::string_view hex)
{
    const auto bytes = HexBytes(hex);
    if (!bytes || bytes->size() % 2 != 0) return std::nullopt;
    std::u16string text;
    for (std::size_t i = 0; i < bytes->size(); i += 2)
        text += static_cast<char16_t>((*bytes)[i] << 8 | (*bytes)[i + 1]);
    return text;
}

std::string HexOf(std::u16string_view text)
{
    static constexpr char kDigits[] = "0123456789ABCDEF";
    std::string hex = "<";
    for (char16_t unit : text)
        for (int shift = 12; shift >= 0; shift -= 4) hex += kDigits[(unit >> shift) & 0xF];
    return hex + ">";
}

// Hebrew and Arabic forms: their letters are written right to left.
bool IsRightToLeftForm(char16_t form) { return form >= 0xFB1D; }

// `text` with its presentation forms replaced; nothing when it has none.
// The letters of a right-to-left ligature go in the order the glyph draws
// them, left to right, as the glyphs around it are: readers put a line of
// right-to-left text back into reading order by turning the whole run
// around, the letters behind each glyph included (lam-alef U+FEFB is
// written U+0627 U+0644 so that a reader gives lam, then alef).
std::optional<std::u16string> WithBaseLetters(std::u16string_view text)
{
    std::u16string result;
    bool changed = false;
    for (char16_t unit : text) {
        if (const auto letters = BaseLettersOf(unit)) {
            if (IsRightToLeftForm(unit))
                result.append(letters->rbegin(), letters->rend());
            else
                result += *letters;
            changed = true;
        } else {
            result += unit;
        }
    }
    if (!changed) return std::nullopt;
    return result;
}

std::vector<Token> TokensOf(std::string_view text, std::size_t begin, std::size_t end)
{
    std::vector<Token> tokens;
    for (std::size_t i = begin; i < end; ++i) {
        const char c = text[i];
        if (c == '[' || c == ']') {
            tokens.push_back({i, i + 1, c, {}});
        } else if (c == '<') {
            const std::size_t close = text.find('>', i);
            if (close == std::string_view::npos || close >= end) break;
            tokens.push_back({i, close + 1, '<', text.substr(i + 1, close - i - 1)});
            i = close;
        } else if (c == '%') {
            while (i < end && text[i] != '\n' && text[i] != '\r') ++i;
        }
    }
    return tokens;
}

// Collects the replacements of one CMap: spans of its text and their new text.
class Rewriter {
public:
    explicit Rewriter(std::string_view text) : m_text(text) {}

    void Characters(const std::vector<Token>& tokens)
    {
        for (std::size_t i = 0; i + 1 < tokens.size(); i += 2) {
            if (tokens[i].kind != '<' || tokens[i + 1].kind != '<') return;  // not a pair: leave the rest
            ReplaceHex(tokens[i + 1]);
        }
    }

    void Ranges(const std::vector<Token>& tokens)
    {
        std::size_t i = 0;
        while (i + 2 < tokens.size()) {
            if (tokens[i].kind != '<' || tokens[i + 1].kind != '<') return;
            if (tokens[i + 2].kind == '[') {
                std::size_t j = i + 3;
                for (; j < tokens.size() && tokens[j].kind == '<'; ++j) ReplaceHex(tokens[j]);
                if (j == tokens.size()) return;
                i = j + 1;
            } else if (tokens[i + 2].kind == '<') {
                IncrementingRange(tokens[i], tokens[i + 1], tokens[i + 2]);
                i += 3;
            } else {
                return;
            }
        }
    }

    ToUnicodeRewrite Result() const
    {
        ToUnicodeRewrite result;
        if (m_edits.empty()) return result;
        std::size_t copied = 0;
        for (const auto& edit : m_edits) {
            result.cmap.append(m_text.substr(copied, edit.begin - copied));
            result.cmap += edit.text;
            copied = edit.end;
        }
        result.cmap.append(m_text.substr(copied));
        result.changed = m_nChanged;
        return result;
    }

private:
    struct Edit {
        std::size_t begin, end;
        std::string text;
    };

    void ReplaceHex(const Token& token)
    {
        const auto text = Utf16Of(token.hex);
        if (!text) return;
        if (const auto letters = WithBaseLetters(*text)) {
            m_edits.push_back({token.begin, token.end, HexOf(*letters)});
            ++m_nChanged;
        }
    }

    // <lo> <hi> <dst>: code lo + k maps to dst with k added to its last unit.
    void IncrementingRange(const Token& low, const Token& high, const Token& destination)
    {
        const auto lo = HexBytes(low.hex);
        const auto hi = HexBytes(high.hex);
        const auto text = Utf16Of(destination.hex);
        if (!lo || !hi || !text || text->empty() || lo->size() != hi->size() || lo->empty()) return;
        std::uint64_t first = 0, last = 0;
        for (std::size_t i = 0; i < lo->size() && i < 8; ++i) {
            first = first << 8 | (*lo)[i];
            last = last << 8 | (*hi)[i];
        }
        if (last < first || last - first >= kMaxRangeCodes) return;
        std::string array = "[";
        std::size_t changed = 0;
        std::u16string code = *text;
        for (std::uint64_t k = 0; k <= last - first; ++k) {
            code.back() = static_cast<char16_t>(text->back() + k);
            const auto letters = WithBaseLetters(code);
            if (letters) ++changed;
            array += HexOf(letters ? *letters : code);
            array += k < last - first ? " " : "]";
        }
        if (changed == 0) return;
        m_edits.push_back({destination.begin, destination.end, array});
        m_nChanged += changed;
    }

    std::string_view m_text;
    std::vector<Edit> m_edits;  // in the text's order, apart
    std::size_t m_nChanged = 0;
};

}  // namespace

ToUnicodeRewrite RestoreBaseLetters(std::string_view cmap)
{
    Rewriter rewriter(cmap);
    std::size_t pos = 0;
    while ((pos = cmap.find("beginbf", pos)) != std::string_view::npos) {
        const bool ranges = cmap.substr(pos, 12) == "beginbfrange";
        const bool characters = cmap.substr(pos, 11) == "beginbfchar";
        if (!ranges && !characters) {
            pos += 7;
            continue;
        }
        const std::size_t begin = pos + (ranges ? 12 : 11);
        const std::size_t end = cmap.find(ranges ? "endbfrange" : "endbfchar", begin);
        if (end == std::string_view::npos) break;
        const std::vector<Token> tokens = TokensOf(cmap, begin, end);
        if (ranges)
            rewriter.Ranges(tokens);
        else
            rewriter.Characters(tokens);
        pos = end;
    }
    return rewriter.Result();
}
