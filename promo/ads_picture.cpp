#include "ads_picture.h"

#include <wx/dcbuffer.h>

CAdsPicture::CAdsPicture(wxWindow* parent, wxWindowID id, const wxBitmap& bitmap,
                         const wxPoint& pos, const wxSize& size)
    : wxWindow(parent, id, pos, size, wxBORDER_NONE),
      m_bmpPicture(bitmap)
{
    SetBackgroundStyle(wxBG_STYLE_PAINT);
    SetBackgroundColour(*wxWHITE);
    Bind(wxEVT_PAINT, &CAdsPicture::OnPaint, this);
}

void CAdsPicture::OnPaint(wxPaintEvent& /*event*/)
{
    wxAutoBufferedPaintDC dc(this);
    dc.SetBackground(*wxWHITE_BRUSH);
    dc.Clear();
    if (!m_bmpPicture.IsOk())
        return;
    const wxSize area = GetClientSize();
    dc.DrawBitmap(m_bmpPicture, (area.x - m_bmpPicture.GetWidth()) / 2,
                  (area.y - m_bmpPicture.GetHeight()) / 2, true);
}
