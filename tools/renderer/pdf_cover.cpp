#include "pdf_cover.h"

#include "work_area.h"

#include <qpdf/QPDFObjectHandle.hh>
#include <qpdf/QPDFPageDocumentHelper.hh>

#include <algorithm>
#include <cstdio>
#include <iterator>
#include <vector>

namespace fs = std::filesystem;

namespace {

// Lays transparent pixels on white before they reach a writer that keeps
// no transparency.
class OnWhite : public PictureWriter {
public:
    OnWhite(PictureWriter& writer, std::uint32_t width) : m_writer(writer), m_row(std::size_t{width} * 4) {}

    bool Write(const std::uint8_t* rgba) override
    {
        for (std::size_t i = 0; i < m_row.size(); i += 4) {
            const unsigned alpha = rgba[i + 3];
            for (std::size_t c = 0; c < 3; ++c)
                m_row[i + c] = static_cast<std::uint8_t>((rgba[i + c] * alpha + 255 * (255 - alpha) + 127) / 255);
            m_row[i + 3] = 255;
        }
        return m_writer.Write(m_row.data());
    }
    bool Finish() override { return m_writer.Finish(); }

private:
    PictureWriter& m_writer;
    std::vector<std::uint8_t> m_row;
};

std::string Number(double value)
{
    char text[32];
    std::snprintf(text, sizeof text, "%.3f", value);
    return text;
}

}  // namespace

std::optional<CoverPicture> PrepareCover(const fs::path& picture, const WorkArea& area, PageSize page)
{
    const std::optional<PictureInfo> info = ProbePicture(picture);
    if (!info) return std::nullopt;
    CoverPicture cover;
    cover.size = FitWithin(info->size, PagePictureLimit(page));
    const bool sameSize = cover.size.width == info->size.width && cover.size.height == info->size.height;
    if (info->format == PictureFormat::Jpeg && sameSize) {
        cover.components = JpegPlainComponents(picture);
        if (cover.components != 0 && ReadWholeFile(picture, cover.jpeg) && !cover.jpeg.empty()) return cover;
    }
    const fs::path copy = area.Folder() / "cover.jpg";
    std::error_code ignored;
    fs::remove(copy, ignored);
    const std::unique_ptr<PictureWriter> writer = CreateJpegWriter(copy, cover.size);
    if (!writer) return std::nullopt;
    OnWhite onWhite(*writer, cover.size.width);
    cover.components = 3;
    if (!ScalePicture(picture, *info, cover.size, onWhite) || !ReadWholeFile(copy, cover.jpeg) || cover.jpeg.empty())
        return std::nullopt;
    return cover;
}

void InsertCoverPage(QPDF& pdf, const CoverPicture& cover)
{
    QPDFPageDocumentHelper pages(pdf);
    const std::vector<QPDFPageObjectHelper> all = pages.getAllPages();
    if (all.empty()) return;
    const QPDFObjectHandle::Rectangle box = QPDFPageObjectHelper(all.front()).getMediaBox().getArrayAsRectangle();
    const double width = box.urx - box.llx, height = box.ury - box.lly;

    QPDFObjectHandle image = pdf.newStream(cover.jpeg);
    QPDFObjectHandle dictionary = image.getDict();
    dictionary.replaceKey("/Type", QPDFObjectHandle::newName("/XObject"));
    dictionary.replaceKey("/Subtype", QPDFObjectHandle::newName("/Image"));
    dictionary.replaceKey("/Width", QPDFObjectHandle::newInteger(cover.size.width));
    dictionary.replaceKey("/Height", QPDFObjectHandle::newInteger(cover.size.height));
    dictionary.replaceKey("/ColorSpace", QPDFObjectHandle::newName(cover.components == 1 ? "/DeviceGray" : "/DeviceRGB"));
    dictionary.replaceKey("/BitsPerComponent", QPDFObjectHandle::newInteger(8));
    dictionary.replaceKey("/Filter", QPDFObjectHandle::newName("/DCTDecode"));

    // As large as fits the page, either way up or down, and centred.
    const double scale = std::min(width / cover.size.width, height / cover.size.height);
    const double shownWidth = cover.size.width * scale, shownHeight = cover.size.height * scale;
    const std::string drawing = "q " + Number(shownWidth) + " 0 0 " + Number(shownHeight) + " " +
                                Number(box.llx + (width - shownWidth) / 2) + " " +
                                Number(box.lly + (height - shownHeight) / 2) + " cm /Cover Do Q\n";

    QPDFObjectHandle page = pdf.makeIndirectObject(QPDFObjectHandle::newDictionary());
    page.replaceKey("/Type", QPDFObjectHandle::newName("/Page"));
    page.replaceKey("/MediaBox", QPDFObjectHandle::newArray(box));
    QPDFObjectHandle xobjects = QPDFObjectHandle::newDictionary();
    xobjects.replaceKey("/Cover", image);
    QPDFObjectHandle resources = QPDFObjectHandle::newDictionary();
    resources.replaceKey("/XObject", xobjects);
    page.replaceKey("/Resources", resources);
    page.replaceKey("/Contents", pdf.newStream(drawing));
    pages.addPage(QPDFPageObjectHelper(page), true);
}
