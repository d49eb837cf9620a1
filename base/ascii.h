// ASCII case rules: only the letters A to Z change case, as the single-byte
// C library does in its default locale; every other character, non-ASCII
// ones included, stays as it is. File extensions, HTML names and host names
// are compared this way, whatever the user's locale.
#pragma once

#include <algorithm>
#include <string>
#include <string_view>

template <class Char>
constexpr Char AsciiLower(Char c)
{
    return c >= Char('A') && c <= Char('Z') ? Char(c - Char('A') + Char('a')) : c;
}

template <class Char>
constexpr Char AsciiUpper(Char c)
{
    return c >= Char('a') && c <= Char('z') ? Char(c - Char('a') + Char('A')) : c;
}

template <class Char>
std::basic_string<Char> ToAsciiLower(std::basic_string_view<Char> text)
{
    std::basic_string<Char> lower(text);
    std::transform(lower.begin(), lower.end(), lower.begin(), AsciiLower<Char>);
    return lower;
}

inline std::string ToAsciiLower(std::string_view text) { return ToAsciiLower<char>(text); }
inline std::wstring ToAsciiLower(std::wstring_view text) { return ToAsciiLower<wchar_t>(text); }

template <class Char>
bool EqualsIgnoringAsciiCase(std::basic_string_view<Char> a, std::basic_string_view<Char> b)
{
    return std::equal(a.begin(), a.end(), b.begin(), b.end(),
                      [](Char x, Char y) { return AsciiLower(x) == AsciiLower(y); });
}

inline bool EqualsIgnoringAsciiCase(std::string_view a, std::string_view b)
{
    return EqualsIgnoringAsciiCase<char>(a, b);
}
inline bool EqualsIgnoringAsciiCase(std::wstring_view a, std::wstring_view b)
{
    return EqualsIgnoringAsciiCase<wchar_t>(a, b);
}
