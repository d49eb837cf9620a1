// The promotion panel's fallback picture: one bitmap centred on white.
#pragma once

#include <wx/bitmap.h>
#include <wx/window.h>

class CAdsPicture : public wxWindow {
public:
    CAdsPicture(wxWindow* parent, wxWindowID id, const wxBitmap& bitmap,
                const wxPoint& pos = wxDefaultPosition, const wxSize& size = wxDefaultSize);

    const wxBitmap& GetBitmap() const { return m_bmpPicture; }

private:
    void OnPaint(wxPaintEvent& event);

    wxBitmap m_bmpPicture;  // may be invalid: then only the white shows
};
