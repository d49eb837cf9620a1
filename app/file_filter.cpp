#include "file_filter.h"

#include "base/ascii.h"

#include <vector>

namespace {

#ifndef __WINDOWS__

// "*.mobi" gives "*.mobi;*.MOBI;*.Mobi": the extension's letters in the three
// usual spellings.
std::wstring AnyCasePatterns(const std::wstring& pattern)
{
    const size_t dot = pattern.rfind(L'.');
    if (dot == std::wstring::npos || dot + 1 >= pattern.size())
        return pattern;
    const std::wstring head = pattern.substr(0, dot + 1);
    std::wstring lower, upper, capital;
    for (size_t i = dot + 1; i < pattern.size(); ++i) {
        lower += AsciiLower(pattern[i]);
        upper += AsciiUpper(pattern[i]);
        capital += i == dot + 1 ? AsciiUpper(pattern[i]) : AsciiLower(pattern[i]);
    }
    std::wstring result = head + lower;
    for (const std::wstring& spelling : {upper, capital}) {
        if (spelling != lower && result.find(head + spelling) == std::wstring::npos)
            result += L";" + head + spelling;
    }
    return result;
}
#endif

}  // namespace

wxString MakeFileDialogWildcard(const std::wstring& filter)
{
    std::vector<std::wstring> parts;
    size_t start = 0;
    while (start < filter.size()) {
        const size_t end = filter.find(L'\0', start);
        if (end == start)
            break;  // the closing NUL
        parts.push_back(filter.substr(start, end == std::wstring::npos ? std::wstring::npos : end - start));
        if (end == std::wstring::npos)
            break;
        start = end + 1;
    }

    wxString wildcard;
    for (size_t i = 0; i + 1 < parts.size(); i += 2) {
        std::wstring patterns;
        size_t from = 0;
        const std::wstring& list = parts[i + 1];
        while (from <= list.size()) {
            size_t to = list.find(L';', from);
            if (to == std::wstring::npos)
                to = list.size();
            const std::wstring one = list.substr(from, to - from);
            if (!one.empty()) {
                if (!patterns.empty())
                    patterns += L';';
#ifdef __WINDOWS__
                patterns += one;
#else
                patterns += AnyCasePatterns(one);
#endif
            }
            from = to + 1;
        }
        if (!wildcard.empty())
            wildcard += wxS('|');
        wildcard += wxString(parts[i]) + wxS('|') + wxString(patterns);
    }
    return wildcard;
}
