#include "book.h"

#include "book_checks.h"
#include "book_metadata.h"
#include "filepos_anchors.h"
#include "kf8_anchors.h"
#include "kf8_positions.h"
#include "ncx_reader.h"
#include "text_encoding.h"

#include "base/file_ptr.h"

#include <mobi.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <system_error>

namespace {

constexpr const char* kNoMemory = "not enough memory to read the book";
constexpr const char* kTextDamaged = "the book is damaged (its text cannot be read)";

std::string LoadErrorText(MOBI_RET result)
{
    switch (result) {
    case MOBI_FILE_ENCRYPTED:
        return "the book is protected by DRM and cannot be converted";
    case MOBI_FILE_UNSUPPORTED:
        return "this kind of MOBI book is not supported";
    case MOBI_MALLOC_FAILED:
        return kNoMemory;
    default:
        return "the book is damaged (its records cannot be read)";
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

std::string PartName(std::size_t uid)
{
    char name[32];
    std::snprintf(name, sizeof name, "part%05zu.html", uid);
    return name;
}

// The table of contents in the NCX document libmobi rebuilds while parsing.
std::vector<TocEntry> TocOf(const MOBIRawml* rawml)
{
    for (const MOBIPart* part = rawml->resources; part; part = part->next)
        if (part->type == T_NCX) return ReadNcx(PartBytes(part));
    return {};
}

// A KF7 table of contents leads to byte offsets of the text
// ("part00000.html#0000001234"): its targets become those of the anchors put
// there, whose positions are collected in `positions`.
void PointAtFileposAnchors(std::vector<TocEntry>& toc, std::vector<std::uint32_t>& positions)
{
    for (TocEntry& entry : toc) {
        const std::size_t hash = entry.target.find('#');
        if (hash != std::string::npos)
            if (const std::optional<std::uint32_t> position = ParseFilepos(entry.target.substr(hash + 1))) {
                entry.target = "#" + FileposAnchorId(*position);
                positions.push_back(*position);
            }
        PointAtFileposAnchors(entry.children, positions);
    }
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
        result.error = kNoMemory;
        return result;
    }
    {
        const FilePtr stream = OpenFile(file, "rb");
        if (!stream) {
            result.error = "cannot open the file: " + std::generic_category().message(errno);
            return result;
        }
        if (!HasMobiSignature(stream.get())) {
            result.error = "the file is not a MOBI book";
            return result;
        }
        if (std::string reason; !RecordListFits(stream.get(), reason)) {
            result.error = "the book is damaged (" + reason + ")";
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
    // libmobi sizes its text buffer from the header: a header that promises
    // more than the records hold is a damaged book, not a reason to reserve
    // gigabytes.
    std::string reason;
    const std::optional<std::size_t> capacity = TextCapacity(data, reason);
    if (!capacity) {
        result.error = "the book is damaged (" + reason + ")";
        return result;
    }

    // libmobi picks the KF8 half of a hybrid book when it loads the file.
    const bool loaded = mobi_is_kf8(data) ? book->LoadKf8Parts(result.error) : book->LoadKf7Text(*capacity, result.error);
    if (!loaded) return result;

    book->m_document.info = ReadDocumentInfo(data);
    book->m_coverOffset = ReadCoverOffset(data);
    result.book = std::move(book);
    return result;
}

// Parses the book with libmobi: its table of contents if that can be read,
// else without it, so that a damaged index does not stop the text from being
// read. The dictionary index is never needed.
Book::RawmlPtr Book::ParseRawml(MOBI_RET& result) const
{
    for (const bool withToc : {true, false}) {
        RawmlPtr rawml(mobi_init_rawml(m_pData.get()));
        if (!rawml) {
            result = MOBI_MALLOC_FAILED;
            return nullptr;
        }
        result = mobi_parse_rawml_opt(rawml.get(), m_pData.get(), withToc, false, true);
        if (result == MOBI_SUCCESS) return rawml;
        if (result == MOBI_MALLOC_FAILED) return nullptr;
    }
    return nullptr;
}

bool Book::LoadKf7Text(std::size_t capacity, std::string& error)
{
    MOBIData* data = m_pData.get();
    // Only libmobi's full parse rebuilds the table of contents; the text
    // itself is taken raw, since filepos links count bytes of the raw text.
    std::vector<std::uint32_t> tocPositions;
    if (mobi_exists_ncx(data)) {
        MOBI_RET parsed = MOBI_SUCCESS;
        if (const RawmlPtr rawml = ParseRawml(parsed)) m_document.toc = TocOf(rawml.get());
        PointAtFileposAnchors(m_document.toc, tocPositions);
    }

    std::string text(std::min(capacity, mobi_get_text_maxsize(data)), '\0');
    std::size_t length = text.size();
    if (mobi_get_rawml(data, text.data(), &length) != MOBI_SUCCESS || length == 0) {
        error = kTextDamaged;
        return false;
    }
    text.resize(length);
    text = InsertFileposAnchors(text, std::move(tocPositions));
    const bool utf8 = data->mh && data->mh->text_encoding && *data->mh->text_encoding == MOBI_UTF8;
    m_document.parts.push_back({PartName(0), utf8 ? SanitizeUtf8(text) : Cp1252ToUtf8(text)});
    return true;
}

bool Book::LoadKf8Parts(std::string& error)
{
    MOBI_RET parsed = MOBI_SUCCESS;
    m_pRawml = ParseRawml(parsed);
    if (!m_pRawml) {
        error = parsed == MOBI_MALLOC_FAILED ? kNoMemory : kTextDamaged;
        return false;
    }
    // The files as their fragments assemble them, before libmobi rewrote
    // their links, to find the places the book names in them.
    std::vector<std::string> sources = AssembleKf8Files(m_pRawml.get());
    std::vector<Kf8Part> parts;
    for (const MOBIPart* part = m_pRawml->markup; part; part = part->next) {
        if (part->type != T_HTML) continue;
        std::string source = part->uid < sources.size() ? std::move(sources[part->uid]) : std::string();
        parts.push_back({part->uid, PartName(part->uid), std::move(source), std::string(PartBytes(part))});
    }
    if (parts.empty()) {
        error = "the book holds no text";
        return false;
    }
    m_document.toc = TocOf(m_pRawml.get());
    AnchorKf8Places(m_pRawml.get(), parts, m_document.toc);
    for (const Kf8Part& part : parts) m_document.parts.push_back({part.name, SanitizeUtf8(part.rebuilt)});
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
