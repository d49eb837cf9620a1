#include "skin/memory_dc.h"

namespace {

wxRect ResolveArea(const wxDC& target, const wxRect& area)
{
    if (!area.IsEmpty())
        return area;
    wxRect clip;
    if (target.GetClippingBox(clip) && !clip.IsEmpty())
        return clip;
    return wxRect(wxPoint(0, 0), target.GetSize());
}

} // namespace

CMemoryDC::CMemoryDC(wxDC& target, const wxRect& area)
    : m_target(target), m_rcArea(ResolveArea(target, area))
{
    if (m_rcArea.IsEmpty())
        return;
    if (!m_bmpSurface.Create(m_rcArea.width, m_rcArea.height, target))
        return;
    SelectObject(m_bmpSurface);
    // Logical (0,0) of the surface is the area's top-left corner on the target.
    SetDeviceOrigin(-m_rcArea.x, -m_rcArea.y);
}

CMemoryDC::~CMemoryDC()
{
    if (!m_bmpSurface.IsOk())
        return;
    m_target.Blit(m_rcArea.x, m_rcArea.y, m_rcArea.width, m_rcArea.height,
                  this, m_rcArea.x, m_rcArea.y);
    SelectObject(wxNullBitmap);
}
