#include "pdf_navigation.h"

#include "link_targets.h"
#include "stop_signal.h"

#include "base/ascii.h"

#include <qpdf/QPDFObjectHandle.hh>
#include <qpdf/QPDFPageDocumentHelper.hh>

#include <algorithm>
#include <charconv>
#include <string_view>
#include <unordered_map>

namespace {

// Where a target landed: its page and the top of its marker.
struct Place {
    QPDFObjectHandle page;
    double top = 0;
    bool found = false;
};

// Where the links and the outline lead: the targets that landed, as
// places of the joined document, each found by its id.
struct Destinations {
    std::vector<Place> places;  // by target number
    std::unordered_map<std::string_view, std::size_t> byId;

    const Place* Of(std::string_view id) const
    {
        const auto target = byId.find(id);
        return target != byId.end() && places[target->second].found ? &places[target->second] : nullptr;
    }
};

// The address of a link annotation that opens a URI; empty for other
// annotations.
std::string UriOf(QPDFObjectHandle annotation)
{
    if (!annotation.isDictionary() || !annotation.getKey("/Subtype").isNameAndEquals("/Link")) return {};
    QPDFObjectHandle action = annotation.getKey("/A");
    if (!action.isDictionary() || !action.getKey("/S").isNameAndEquals("/URI")) return {};
    QPDFObjectHandle uri = action.getKey("/URI");
    return uri.isString() ? uri.getStringValue() : std::string();
}

double TopOf(QPDFObjectHandle annotation)
{
    QPDFObjectHandle rect = annotation.getKey("/Rect");
    if (!rect.isArray() || rect.getArrayNItems() != 4) return 0;
    double top = 0;
    for (int i : {1, 3})
        if (rect.getArrayItem(i).isNumber()) top = std::max(top, rect.getArrayItem(i).getNumericValue());
    return top;
}

bool HasScheme(std::string_view uri, std::string_view scheme)
{
    return uri.size() > scheme.size() && uri[scheme.size()] == ':' &&
           EqualsIgnoringAsciiCase(uri.substr(0, scheme.size()), scheme);
}

// The number of the target a marker's address names, or npos.
std::size_t MarkerTarget(std::string_view uri, std::size_t count)
{
    if (!uri.starts_with(kMarkerAddress)) return std::string::npos;
    uri.remove_prefix(kMarkerAddress.size());
    std::size_t number = 0;
    const auto [end, error] = std::from_chars(uri.data(), uri.data() + uri.size(), number);
    return error == std::errc() && end == uri.data() + uri.size() && number < count ? number : std::string::npos;
}

QPDFObjectHandle DestinationOf(const Place& place)
{
    return QPDFObjectHandle::newArray({place.page, QPDFObjectHandle::newName("/XYZ"), QPDFObjectHandle::newInteger(0),
                                       QPDFObjectHandle::newReal(place.top, 2), QPDFObjectHandle::newNull()});
}

// The id a file:// link to one of the pieces leads to; empty for others.
std::string_view PieceLinkId(std::string_view uri, std::string_view pieceStem)
{
    const std::size_t hash = uri.rfind('#');
    if (!HasScheme(uri, "file") || hash == std::string_view::npos) return {};
    const std::string_view file = uri.substr(0, hash);
    return file.substr(file.rfind('/') + 1).starts_with(pieceStem) ? uri.substr(hash + 1) : std::string_view();
}

// Keeps those annotations of `page` for which `keep` (which may change
// them) says so, in their order.
template <typename Keep>
void FilterAnnotations(QPDFObjectHandle page, Keep keep)
{
    QPDFObjectHandle annotations = page.getKey("/Annots");
    if (!annotations.isArray()) return;
    std::vector<QPDFObjectHandle> kept;
    const int count = annotations.getArrayNItems();
    for (int i = 0; i < count; ++i) {
        QPDFObjectHandle annotation = annotations.getArrayItem(i);
        if (keep(annotation)) kept.push_back(annotation);
    }
    if (static_cast<int>(kept.size()) == count) return;
    if (kept.empty())
        page.removeKey("/Annots");
    else
        page.replaceKey("/Annots", QPDFObjectHandle::newArray(kept));
}

// Rewrites the links of one page; see WriteNavigation.
void RewriteLinks(QPDFObjectHandle page, const Destinations& destinations, std::string_view pieceStem,
                  NavigationCounts& counts)
{
    FilterAnnotations(page, [&](QPDFObjectHandle& annotation) {
        const std::string uri = UriOf(annotation);
        if (uri.empty()) return true;
        if (uri.starts_with(kMarkerAddress)) return false;
        if (HasScheme(uri, "http") || HasScheme(uri, "https") || HasScheme(uri, "mailto")) return true;
        if (const Place* place = destinations.Of(PieceLinkId(uri, pieceStem))) {
            annotation.removeKey("/A");
            annotation.replaceKey("/Dest", DestinationOf(*place));
            ++counts.links;
            return true;
        }
        ++counts.dropped;
        return false;
    });
}

// The outline's entries in reading order (each before its own entries).
void Flatten(const std::vector<OutlineEntry>& entries, std::vector<const OutlineEntry*>& flat)
{
    for (const OutlineEntry& entry : entries) {
        flat.push_back(&entry);
        Flatten(entry.children, flat);
    }
}

class OutlineWriter {
public:
    OutlineWriter(QPDF& pdf, std::vector<const Place*> places) : m_pdf(pdf), m_places(std::move(places)) {}

    // Writes `entries` as the items under `parent`, links them to it, and
    // returns how many items show when `parent` is open.
    int Write(const std::vector<OutlineEntry>& entries, QPDFObjectHandle parent, bool open)
    {
        int shown = 0;
        QPDFObjectHandle previous;
        for (const OutlineEntry& entry : entries) {
            QPDFObjectHandle item = m_pdf.makeIndirectObject(QPDFObjectHandle::newDictionary());
            item.replaceKey("/Title", QPDFObjectHandle::newUnicodeString(entry.label));
            item.replaceKey("/Parent", parent);
            item.replaceKey("/Dest", DestinationOf(*m_places[m_nNext++]));
            if (previous.isInitialized()) {
                previous.replaceKey("/Next", item);
                item.replaceKey("/Prev", previous);
            } else {
                parent.replaceKey("/First", item);
            }
            previous = item;
            ++shown;
            // Only a lone first entry (the book itself, its chapters
            // beneath) shows its entries at first.
            const bool itemOpen = open && entries.size() == 1;
            const int below = Write(entry.children, item, itemOpen);
            if (below > 0) item.replaceKey("/Count", QPDFObjectHandle::newInteger(itemOpen ? below : -below));
            if (itemOpen) shown += below;
        }
        if (previous.isInitialized()) parent.replaceKey("/Last", previous);
        return shown;
    }

private:
    QPDF& m_pdf;
    std::vector<const Place*> m_places;  // of the entries in reading order
    std::size_t m_nNext = 0;
};

std::size_t WriteOutline(QPDF& pdf, const std::vector<OutlineEntry>& outline, const Destinations& destinationsById)
{
    std::vector<const OutlineEntry*> flat;
    Flatten(outline, flat);
    std::vector<const Place*> destinations(flat.size(), nullptr);
    const Place* next = nullptr;
    for (std::size_t i = flat.size(); i-- > 0;) {
        if (const Place* place = destinationsById.Of(flat[i]->target)) next = place;
        destinations[i] = next;
    }
    const Place* last = nullptr;
    for (const Place*& destination : destinations) {
        if (destination)
            last = destination;
        else
            destination = last;
    }
    if (!last) return 0;

    QPDFObjectHandle root = pdf.makeIndirectObject(QPDFObjectHandle::newDictionary());
    root.replaceKey("/Type", QPDFObjectHandle::newName("/Outlines"));
    const int shown = OutlineWriter(pdf, std::move(destinations)).Write(outline, root, true);
    root.replaceKey("/Count", QPDFObjectHandle::newInteger(shown));
    QPDFObjectHandle catalog = pdf.getRoot();
    catalog.replaceKey("/Outlines", root);
    catalog.replaceKey("/PageMode", QPDFObjectHandle::newName("/UseOutlines"));
    return flat.size();
}

}  // namespace

void LandingPlaces::TakeMarkers(QPDFObjectHandle page, std::size_t number)
{
    FilterAnnotations(page, [&](QPDFObjectHandle& annotation) {
        const std::string uri = UriOf(annotation);
        if (!uri.starts_with(kMarkerAddress)) return true;
        const std::size_t target = MarkerTarget(uri, m_places.size());
        if (target != std::string::npos && !m_places[target].found) {
            m_places[target] = {number, TopOf(annotation), true};
            ++m_nFound;
        }
        // The piece stays open until the document is written: what it read
        // of the marker is let go now (a dictionary has thousands).
        if (annotation.isIndirect())
            annotation.getOwningQPDF()->replaceObject(annotation.getObjGen(), QPDFObjectHandle::newNull());
        return false;
    });
}

NavigationCounts WriteNavigation(QPDF& pdf, const LandingPlaces& places, const std::vector<std::string>& targets,
                                 const std::vector<OutlineEntry>& outline, std::string_view pieceStem)
{
    NavigationCounts counts;
    counts.targets = places.Found();
    std::vector<QPDFObjectHandle> pages;
    for (QPDFPageObjectHelper& page : QPDFPageDocumentHelper(pdf).getAllPages()) pages.push_back(page.getObjectHandle());

    Destinations destinations;
    for (std::size_t k = 0; k < targets.size() && k < places.Places().size(); ++k) {
        const LandingPlaces::Place& landed = places.Places()[k];
        const bool found = landed.found && landed.page < pages.size();
        destinations.places.push_back({found ? pages[landed.page] : QPDFObjectHandle(), landed.top, found});
        destinations.byId.emplace(targets[k], k);
    }
    for (const QPDFObjectHandle& page : pages) {
        if (StopSignal::Requested()) return counts;
        RewriteLinks(page, destinations, pieceStem, counts);
    }
    counts.outline = WriteOutline(pdf, outline, destinations);
    return counts;
}
