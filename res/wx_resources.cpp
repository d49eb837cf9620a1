#include "res/wx_resources.h"

#include <wx/icon.h>
#include <wx/mstream.h>

// After the wx headers: on Windows they bring in <windows.h>.
#include "res/resources.h"

namespace {

// Decoding needs wxImage's PNG handler; the program may not have installed
// any image handlers, and a test may run with no application object at all.
void EnsurePngHandler()
{
    if (wxImage::FindHandler(wxBITMAP_TYPE_PNG) == nullptr)
        wxImage::AddHandler(new wxPNGHandler);  // wxImage owns its handlers
}

wxImage DecodePng(std::span<const unsigned char> bytes)
{
    if (bytes.empty())
        return wxImage();
    EnsurePngHandler();
    wxMemoryInputStream stream(bytes.data(), bytes.size());
    wxImage image;
    if (!image.LoadFile(stream, wxBITMAP_TYPE_PNG))
        return wxImage();
    return image;
}

}  // namespace

wxImage LoadPngImage(int id)
{
    return DecodePng(FindResource(ResourceKind::Png, id));
}

wxImage LoadSkinImage(int id)
{
    return DecodePng(FindResource(ResourceKind::Bitmap, id));
}

wxBitmap LoadSkinBitmap(int id)
{
    const wxImage image = LoadSkinImage(id);
    return image.IsOk() ? wxBitmap(image) : wxBitmap();
}

wxImage LoadAppIconImage(int size)
{
    return DecodePng(FindResource(ResourceKind::Icon, kAppIconId, size));
}

wxIconBundle LoadAppIcons()
{
    wxIconBundle icons;
    for (int size : kAppIconSizes) {
        const wxImage image = LoadAppIconImage(size);
        if (!image.IsOk())
            continue;
        wxIcon icon;
        icon.CopyFromBitmap(wxBitmap(image));
        icons.AddIcon(icon);
    }
    return icons;
}
