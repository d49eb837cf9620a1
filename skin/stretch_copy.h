// One stretch copy of a picture: a part of a source bitmap drawn into a
// destination rectangle of any size. The scaled copy is kept, so paintings
// at an unchanged size do not scale again. Scaling takes the nearest source
// pixel, which keeps one-pixel borders sharp.
#pragma once

#include <wx/bitmap.h>
#include <wx/gdicmn.h>

class wxDC;

class CStretchCopy
{
public:
    // Draws `part` of `source` stretched over `dest` (the dc's clipping
    // applies). Nothing is drawn for an empty destination or part, or an
    // invalid source.
    void Draw(wxDC& dc, const wxBitmap& source, const wxRect& part, const wxRect& dest);

    // The scaled copy for these arguments (made when they changed).
    const wxBitmap& Scaled(const wxBitmap& source, const wxRect& part, const wxSize& size);

private:
    wxBitmap m_source;  // shares the source's data; compared by identity
    wxRect m_part;
    wxSize m_size;
    wxBitmap m_scaled;
};
