#include "image_export.h"

#include "html_tokens.h"
#include "text_encoding.h"

#include <cstdio>

namespace {

// A reference to one of the files that libmobi names when it rebuilds a KF8
// book's links: resourceNNNNN.ext (images, fonts, media) or flowNNNNN.ext
// (style sheets, SVG).
struct BookFileName {
    enum class Kind { None, Resource, Flow } kind = Kind::None;
    std::size_t number = 0;
    std::string extension;  // lower case
};

bool StartsWithNoCase(std::string_view text, std::string_view prefix)
{
    return text.size() >= prefix.size() && ToAsciiLower(text.substr(0, prefix.size())) == prefix;
}

// True for references with a scheme (http:, file:, kindle: ...) or a host
// (//host/...): nothing the page may load.
bool IsForeignReference(std::string_view reference)
{
    if (reference.starts_with("//") || reference.starts_with("\\\\")) return true;
    const std::size_t colon = reference.find(':');
    return colon != std::string_view::npos && reference.find_first_of("/?#") > colon;
}

BookFileName ParseBookFileName(std::string_view reference)
{
    while (!reference.empty() && (reference.front() == ' ' || reference.front() == '\t' || reference.front() == '\n'))
        reference.remove_prefix(1);
    while (!reference.empty() && (reference.back() == ' ' || reference.back() == '\t' || reference.back() == '\n'))
        reference.remove_suffix(1);
    if (IsForeignReference(reference)) return {};
    reference = reference.substr(0, reference.find_first_of("?#"));
    reference = reference.substr(reference.find_last_of("/\\") + 1);  // npos + 1 == 0

    BookFileName name;
    if (StartsWithNoCase(reference, "resource")) {
        name.kind = BookFileName::Kind::Resource;
        reference.remove_prefix(8);
    } else if (StartsWithNoCase(reference, "flow")) {
        name.kind = BookFileName::Kind::Flow;
        reference.remove_prefix(4);
    } else {
        return {};
    }
    const std::size_t dot = reference.find('.');
    const std::string_view digits = reference.substr(0, dot);
    if (dot == std::string_view::npos || digits.empty() || digits.size() > 9 ||
        digits.find_first_not_of("0123456789") != std::string_view::npos)
        return {};
    for (const char digit : digits) name.number = name.number * 10 + static_cast<std::size_t>(digit - '0');
    name.extension = ToAsciiLower(reference.substr(dot + 1));
    return name;
}

std::string NumberedStem(std::string_view prefix, std::size_t number)
{
    char digits[32];
    std::snprintf(digits, sizeof digits, "%05zu", number);
    return std::string(prefix) + digits;
}

}  // namespace

std::string_view ImageExtension(std::string_view bytes)
{
    if (bytes.starts_with("\xFF\xD8\xFF")) return "jpg";
    if (bytes.starts_with("GIF87a") || bytes.starts_with("GIF89a")) return "gif";
    if (bytes.starts_with("\x89PNG\r\n\x1A\n")) return "png";
    if (bytes.starts_with("BM") && bytes.size() > 26) return "bmp";
    const std::string_view head = bytes.substr(0, 1024);
    if ((head.starts_with("<svg") || head.starts_with("<?xml") || head.starts_with("\xEF\xBB\xBF")) &&
        head.find("<svg") != std::string_view::npos)
        return "svg";
    return {};
}

std::string BookFiles::Export(std::string_view bytes, const std::string& stem)
{
    const auto known = m_written.find(stem);
    if (known != m_written.end()) return known->second;

    std::string path;
    if (const std::string_view extension = ImageExtension(bytes); !extension.empty()) {
        path = "images/" + stem + "." + std::string(extension);
        std::string error;
        if (!m_folder.WriteFile(path, bytes, error)) {
            if (m_strError.empty()) m_strError = error;
            path.clear();
        }
    }
    m_written.emplace(stem, path);
    return path;
}

std::string BookFiles::ImageByIndex(std::size_t recindex)
{
    const std::string_view bytes = m_book.Kf7Image(recindex);
    return bytes.empty() ? std::string() : Export(bytes, NumberedStem("image", recindex));
}

std::string BookFiles::Kf8Image(std::size_t number)
{
    const std::string_view bytes = m_book.Kf8Resource(number);
    return bytes.empty() ? std::string() : Export(bytes, NumberedStem("image", number));
}

std::string BookFiles::ImageByReference(std::string_view reference)
{
    std::string_view trimmed = reference;
    while (!trimmed.empty() && (trimmed.front() == ' ' || trimmed.front() == '\t' || trimmed.front() == '\n'))
        trimmed.remove_prefix(1);
    // Pictures carried inside the page load nothing from anywhere.
    if (StartsWithNoCase(trimmed, "data:image/")) return std::string(trimmed);

    const BookFileName name = ParseBookFileName(reference);
    if (name.kind == BookFileName::Kind::Resource) return Kf8Image(name.number);
    if (name.kind == BookFileName::Kind::Flow && !m_book.IsKf8StyleSheetFlow(name.number)) {
        const std::string_view bytes = m_book.Kf8Flow(name.number);
        return bytes.empty() ? std::string() : Export(bytes, NumberedStem("flow", name.number));
    }
    return {};
}

std::optional<std::string> BookFiles::StyleSheet(std::string_view reference)
{
    const BookFileName name = ParseBookFileName(reference);
    if (name.kind != BookFileName::Kind::Flow || !m_book.IsKf8StyleSheetFlow(name.number)) return std::nullopt;
    return SanitizeUtf8(m_book.Kf8Flow(name.number));
}

std::string BookFiles::CoverImage()
{
    // The cover offset counts from the first image record, as KF8 resource
    // numbers do; a KF7 recindex counts from 1.
    const std::optional<std::size_t> offset = m_book.CoverOffset();
    if (!offset) return {};
    return m_book.IsKf8() ? Kf8Image(*offset) : ImageByIndex(*offset + 1);
}
