#include "book_metadata.h"

#include "html_tokens.h"
#include "text_encoding.h"

#include <algorithm>
#include <cstdlib>
#include <memory>
#include <string>

namespace {

struct FreeDeleter {
    void operator()(char* text) const { std::free(text); }
};

// Takes a string that libmobi allocated: valid UTF-8, spaces collapsed.
std::string TakeText(char* text)
{
    const std::unique_ptr<char, FreeDeleter> owner(text);
    return owner ? CollapseSpaces(SanitizeUtf8(owner.get())) : std::string();
}

// The text of every EXTH record with `tag`, in order, each once.
std::vector<std::string> ExthTexts(const MOBIData* data, MOBIExthTag tag)
{
    std::vector<std::string> texts;
    for (const MOBIExthHeader* record = data->eh; record; record = record->next) {
        if (record->tag != static_cast<std::uint32_t>(tag) || !record->data) continue;
        std::string text =
            TakeText(mobi_decode_exthstring(data, static_cast<const unsigned char*>(record->data), record->size));
        if (!text.empty() && std::find(texts.begin(), texts.end(), text) == texts.end()) texts.push_back(std::move(text));
    }
    return texts;
}

}  // namespace

DocumentInfo ReadDocumentInfo(const MOBIData* data)
{
    DocumentInfo info;
    info.title = TakeText(mobi_meta_get_title(data));
    info.authors = ExthTexts(data, EXTH_AUTHOR);
    info.language = TakeText(mobi_meta_get_language(data));
    for (const std::string& subject : ExthTexts(data, EXTH_SUBJECT)) {
        if (!info.subject.empty()) info.subject += "; ";
        info.subject += subject;
    }
    return info;
}

std::optional<std::size_t> ReadCoverOffset(const MOBIData* data)
{
    for (const MOBIExthHeader* record = data->eh; record; record = record->next) {
        if (record->tag != EXTH_COVEROFFSET || !record->data) continue;
        const std::uint32_t offset = mobi_decode_exthvalue(static_cast<const unsigned char*>(record->data), record->size);
        if (offset != MOBI_NOTSET) return offset;
    }
    return std::nullopt;
}
