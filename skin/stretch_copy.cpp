#include "skin/stretch_copy.h"

#include <wx/dc.h>
#include <wx/image.h>

const wxBitmap& CStretchCopy::Scaled(const wxBitmap& source, const wxRect& part, const wxSize& size)
{
    if (m_scaled.IsOk() && m_source.IsSameAs(source) && m_part == part && m_size == size)
        return m_scaled;

    m_source = source;
    m_part = part;
    m_size = size;
    m_scaled = wxBitmap();
    const wxRect whole(source.IsOk() ? source.GetSize() : wxSize());
    if (size.x <= 0 || size.y <= 0 || part.IsEmpty() || !whole.Contains(part))
        return m_scaled;

    wxImage image = source.ConvertToImage();
    if (part != whole)
        image = image.GetSubImage(part);
    if (size != part.GetSize())
        image.Rescale(size.x, size.y, wxIMAGE_QUALITY_NEAREST);
    m_scaled = wxBitmap(image);
    return m_scaled;
}

void CStretchCopy::Draw(wxDC& dc, const wxBitmap& source, const wxRect& part, const wxRect& dest)
{
    const wxBitmap& scaled = Scaled(source, part, dest.GetSize());
    if (scaled.IsOk())
        dc.DrawBitmap(scaled, dest.GetPosition());
}
