#include "book.h"

#include "text_encoding.h"

#include <mobi.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <system_error>

namespace {

struct FileCloser {
    void operator()(std::FILE* file) const { std::fclose(file); }
};
using FilePtr = std::unique_ptr<std::FILE, FileCloser>;

struct FreeDeleter {
    void operator()(char* text) const { std::free(text); }
};

FilePtr OpenForReading(const std::filesystem::path& file)
{
#ifdef _WIN32
    return FilePtr(_wfopen(file.c_str(), L"rb"));
#else
    return FilePtr(std::fopen(file.c_str(), "rb"));
#endif
}

std::string LoadErrorText(MOBI_RET result)
{
    switch (result) {
    case MOBI_FILE_ENCRYPTED:
        return "the book is encrypted (DRM) and cannot be converted";
    case MOBI_FILE_UNSUPPORTED:
        return "this kind of MOBI book is not supported";
    case MOBI_MALLOC_FAILED:
        return "not enough memory to read the book";
    default:
        return "the file is damaged or is not a MOBI book";
    }
}

std::string_view RecordBytes(const MOBIPdbRecord* record)
{
    if (!record || !record->data) return {};
    return {reinterpret_cast<const char*>(record->data), record->size};
}

std::string_view PartBytes(const MOBIPart* part)
{
    if (!part || !part->data) return {};
    return {reinterpret_cast<const char*>(part->data), part->size};
}

}  // namespace

void Book::MobiDataDeleter::operator()(MOBIData* data) const { mobi_free(data); }

void Book::RawmlDeleter::operator()(MOBIRawml* rawml) const { mobi_free_rawml(rawml); }

Book::~Book() = default;

Book::LoadResult Book::Load(const std::filesystem::path& file)
{
    LoadResult result;
    std::unique_ptr<Book> book(new Book());
    book->m_pData.reset(mobi_init());
    if (!book->m_pData) {
        result.error = "not enough memory to read the book";
        return result;
    }
    {
        const FilePtr stream = OpenForReading(file);
        if (!stream) {
            result.error = "cannot open the file: " + std::generic_category().message(errno);
            return result;
        }
        const MOBI_RET loaded = mobi_load_file(book->m_pData.get(), stream.get());
        if (loaded != MOBI_SUCCESS) {
            result.error = LoadErrorText(loaded);
            return result;
        }
    }
    MOBIData* data = book->m_pData.get();
    if (mobi_is_encrypted(data)) {
        result.error = LoadErrorText(MOBI_FILE_ENCRYPTED);
        return result;
    }
    if (mobi_is_replica(data)) {
        result.error = "print replica books hold a PDF, not text, and are not supported";
        return result;
    }

    // libmobi picks the KF8 half of a hybrid book when it loads the file.
    const bool loaded = mobi_is_kf8(data) ? book->LoadKf8Parts(result.error) : book->LoadKf7Text(result.error);
    if (!loaded) return result;

    if (const std::unique_ptr<char, FreeDeleter> title{mobi_meta_get_title(data)}) book->m_strTitle = SanitizeUtf8(title.get());
    result.book = std::move(book);
    return result;
}

bool Book::LoadKf7Text(std::string& error)
{
    MOBIData* data = m_pData.get();
    std::string text(mobi_get_text_maxsize(data), '\0');
    std::size_t length = text.size();
    if (text.empty() || mobi_get_rawml(data, text.data(), &length) != MOBI_SUCCESS || length == 0) {
        error = "the book's text cannot be read (the file is damaged)";
        return false;
    }
    text.resize(length);
    const bool utf8 = data->mh && data->mh->text_encoding && *data->mh->text_encoding == MOBI_UTF8;
    m_parts.push_back(utf8 ? SanitizeUtf8(text) : Cp1252ToUtf8(text));
    return true;
}

bool Book::LoadKf8Parts(std::string& error)
{
    m_pRawml.reset(mobi_init_rawml(m_pData.get()));
    if (!m_pRawml) {
        error = "not enough memory to read the book";
        return false;
    }
    // No table of contents and no dictionary index: the page needs neither,
    // and a damaged index should not stop the text from being read.
    const MOBI_RET parsed = mobi_parse_rawml_opt(m_pRawml.get(), m_pData.get(), false, false, true);
    if (parsed != MOBI_SUCCESS) {
        error = parsed == MOBI_MALLOC_FAILED ? LoadErrorText(parsed) : "the book's text cannot be read (the file is damaged)";
        return false;
    }
    for (const MOBIPart* part = m_pRawml->markup; part; part = part->next)
        if (part->type == T_HTML) m_parts.push_back(SanitizeUtf8(PartBytes(part)));
    if (m_parts.empty()) {
        error = "the book holds no text";
        return false;
    }
    return true;
}

std::string_view Book::Kf7Image(std::size_t recindex) const
{
    const MOBIData* data = m_pData.get();
    if (recindex == 0 || !data->rh) return {};
    // Images follow the text records unless the MOBI header says where they start.
    std::size_t first = std::size_t{data->rh->text_record_count} + 1;
    if (data->mh && data->mh->image_index && *data->mh->image_index != MOBI_NOTSET && *data->mh->image_index > 0)
        first = *data->mh->image_index;
    return RecordBytes(mobi_get_record_by_seqnumber(data, first + recindex - 1));
}

std::string_view Book::Kf8Resource(std::size_t number) const
{
    return m_pRawml ? PartBytes(mobi_get_resource_by_uid(m_pRawml.get(), number)) : std::string_view();
}

std::string_view Book::Kf8Flow(std::size_t number) const
{
    return m_pRawml ? PartBytes(mobi_get_flow_by_uid(m_pRawml.get(), number)) : std::string_view();
}

bool Book::IsKf8StyleSheetFlow(std::size_t number) const
{
    const MOBIPart* flow = m_pRawml ? mobi_get_flow_by_uid(m_pRawml.get(), number) : nullptr;
    return flow && flow->type == T_CSS;
}
