#include "pdf_checks.h"

#include "run_program.h"
#include "temp_dir.h"

#include <qpdf/QPDF.hh>
#include <qpdf/QPDFObjectHandle.hh>
#include <qpdf/QPDFPageDocumentHelper.hh>

#include <algorithm>
#include <regex>
#include <sstream>

namespace {

// A PDF opened with libqpdf, with its pages numbered.
struct OpenPdf {
    explicit OpenPdf(const std::filesystem::path& pdf)
    {
        qpdf.setSuppressWarnings(true);
        qpdf.processFile(pdf.c_str());
        int number = 0;
        for (QPDFPageObjectHelper& page : QPDFPageDocumentHelper(qpdf).getAllPages())
            numbers[page.getObjectHandle().getObjGen()] = ++number;
    }

    // The page a destination (an array, or a GoTo action) names; 0 for none.
    int PageOf(QPDFObjectHandle destination)
    {
        if (destination.isDictionary()) destination = destination.getKey("/D");
        if (!destination.isArray() || destination.getArrayNItems() == 0) return 0;
        const auto found = numbers.find(destination.getArrayItem(0).getObjGen());
        return found == numbers.end() ? 0 : found->second;
    }

    QPDF qpdf;
    std::map<QPDFObjGen, int> numbers;
};

void ReadOutline(OpenPdf& pdf, QPDFObjectHandle item, int depth, std::vector<PdfOutlineEntry>& entries)
{
    for (; item.isDictionary(); item = item.getKey("/Next")) {
        QPDFObjectHandle title = item.getKey("/Title");
        QPDFObjectHandle dest = item.hasKey("/Dest") ? item.getKey("/Dest") : item.getKey("/A");
        entries.push_back({title.isString() ? title.getUTF8Value() : std::string(), depth, pdf.PageOf(dest)});
        ReadOutline(pdf, item.getKey("/First"), depth + 1, entries);
        if (entries.size() > 100000) return;  // a loop in a broken outline
    }
}

}  // namespace

std::string PdfText(const std::filesystem::path& pdf)
{
    return RunProgram("pdftotext", {"-enc", "UTF-8", pdf.string(), "-"}).output;
}

std::string PdfPageText(const std::filesystem::path& pdf, int page)
{
    const std::string number = std::to_string(page);
    return RunProgram("pdftotext", {"-enc", "UTF-8", "-f", number, "-l", number, pdf.string(), "-"}).output;
}

std::vector<std::pair<double, double>> PdfPageSizes(const std::filesystem::path& pdf)
{
    const std::string info = RunProgram("pdfinfo", {"-f", "1", "-l", "1000000", pdf.string()}).output;
    static const std::regex size(R"(Page +\d+ size:\s+([0-9.]+) x ([0-9.]+) pts)");
    std::vector<std::pair<double, double>> sizes;
    for (auto match = std::sregex_iterator(info.begin(), info.end(), size); match != std::sregex_iterator(); ++match)
        sizes.emplace_back(std::stod((*match)[1]), std::stod((*match)[2]));
    return sizes;
}

std::vector<std::pair<int, int>> PdfImageSizes(const std::filesystem::path& pdf)
{
    // page num type width height ..., after two lines of headings.
    const std::string list = RunProgram("pdfimages", {"-list", pdf.string()}).output;
    static const std::regex row(R"(\n\s*\d+\s+\d+\s+\w+\s+(\d+)\s+(\d+))");
    std::vector<std::pair<int, int>> sizes;
    for (auto match = std::sregex_iterator(list.begin(), list.end(), row); match != std::sregex_iterator(); ++match)
        sizes.emplace_back(std::stoi((*match)[1]), std::stoi((*match)[2]));
    return sizes;
}

std::optional<PdfBox> PdfInkBox(const std::filesystem::path& pdf, int page)
{
    TempDir folder("corvale-ink-");
    const std::string number = std::to_string(page);
    const std::filesystem::path image = folder / "page";
    RunProgram("pdftoppm", {"-r", "72", "-f", number, "-l", number, "-singlefile", pdf.string(), image.string()});
    // A binary PPM: P6, width, height, the largest value, one blank, then RGB.
    const std::string bytes = ReadTextFile(image.string() + ".ppm");
    std::istringstream header(bytes);
    std::string magic;
    int width = 0, height = 0, largest = 0;
    header >> magic >> width >> height >> largest;
    const std::size_t start = static_cast<std::size_t>(header.tellg()) + 1;
    if (magic != "P6" || largest != 255 || bytes.size() < start + std::size_t(width) * height * 3) return std::nullopt;
    std::optional<PdfBox> box;
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            const unsigned char* pixel =
                reinterpret_cast<const unsigned char*>(bytes.data()) + start + (std::size_t(y) * width + x) * 3;
            if (pixel[0] > 200 && pixel[1] > 200 && pixel[2] > 200) continue;
            if (!box) box = PdfBox{double(x), double(y), double(x + 1), double(y + 1)};
            box->left = std::min(box->left, double(x));
            box->top = std::min(box->top, double(y));
            box->right = std::max(box->right, double(x + 1));
            box->bottom = std::max(box->bottom, double(y + 1));
        }
    return box;
}

std::vector<PdfWord> PdfWords(const std::filesystem::path& pdf)
{
    const std::string boxes = RunProgram("pdftotext", {"-enc", "UTF-8", "-bbox", pdf.string(), "-"}).output;
    static const std::regex token(
        R"re(<page |<word xMin="([0-9.]+)" yMin="([0-9.]+)" xMax="([0-9.]+)" yMax="([0-9.]+)">([^<]*)</word>)re");
    std::vector<PdfWord> words;
    int page = 0;
    for (auto match = std::sregex_iterator(boxes.begin(), boxes.end(), token); match != std::sregex_iterator();
         ++match) {
        if ((*match)[0].str() == "<page ") {
            ++page;
            continue;
        }
        words.push_back({page, std::stod((*match)[1]), std::stod((*match)[2]), std::stod((*match)[3]),
                         std::stod((*match)[4]), (*match)[5].str()});
    }
    return words;
}

std::vector<double> MedianWordHeights(const std::vector<PdfWord>& words)
{
    std::vector<std::vector<double>> heights;
    for (const PdfWord& word : words) {
        if (word.page < 1) continue;
        if (heights.size() < static_cast<std::size_t>(word.page)) heights.resize(word.page);
        heights[word.page - 1].push_back(word.yMax - word.yMin);
    }
    std::vector<double> medians;
    for (std::vector<double>& page : heights) {
        if (page.empty()) {
            medians.push_back(0);
            continue;
        }
        std::nth_element(page.begin(), page.begin() + page.size() / 2, page.end());
        medians.push_back(page[page.size() / 2]);
    }
    return medians;
}

std::vector<PdfOutlineEntry> PdfOutline(const std::filesystem::path& pdf)
{
    OpenPdf open(pdf);
    std::vector<PdfOutlineEntry> entries;
    ReadOutline(open, open.qpdf.getRoot().getKey("/Outlines").getKey("/First"), 0, entries);
    return entries;
}

std::vector<PdfLink> PdfLinks(const std::filesystem::path& pdf)
{
    OpenPdf open(pdf);
    std::vector<PdfLink> links;
    int number = 0;
    for (QPDFPageObjectHelper& page : QPDFPageDocumentHelper(open.qpdf).getAllPages()) {
        ++number;
        for (QPDFAnnotationObjectHelper& annotation : page.getAnnotations("/Link")) {
            QPDFObjectHandle object = annotation.getObjectHandle();
            QPDFObjectHandle action = object.getKey("/A");
            PdfLink link{number, {}, 0};
            if (action.isDictionary() && action.getKey("/URI").isString())
                link.uri = action.getKey("/URI").getStringValue();
            else
                link.destination = open.PageOf(object.hasKey("/Dest") ? object.getKey("/Dest") : action);
            links.push_back(link);
        }
    }
    return links;
}

std::map<std::string, std::string> PdfInfo(const std::filesystem::path& pdf)
{
    OpenPdf open(pdf);
    std::map<std::string, std::string> info;
    QPDFObjectHandle dictionary = open.qpdf.getTrailer().getKey("/Info");
    if (dictionary.isDictionary())
        for (const std::string& key : dictionary.getKeys())
            if (dictionary.getKey(key).isString()) info[key.substr(1)] = dictionary.getKey(key).getUTF8Value();
    QPDFObjectHandle catalog = open.qpdf.getRoot();
    if (catalog.getKey("/Lang").isString()) info["Lang"] = catalog.getKey("/Lang").getUTF8Value();
    if (catalog.getKey("/PageMode").isName()) info["PageMode"] = catalog.getKey("/PageMode").getName().substr(1);
    return info;
}

std::string PdfLocalTraces(const std::filesystem::path& pdf, const std::vector<std::string>& paths)
{
    const std::string bytes = ReadTextFile(pdf);
    if (bytes.empty()) return "no PDF at " + pdf.string();
    for (const std::string& text : paths)
        if (!text.empty() && bytes.find(text) != std::string::npos) return text;
    return bytes.find("file:") != std::string::npos ? "file:" : std::string();
}
