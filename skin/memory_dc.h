#pragma once

#include <wx/bitmap.h>
#include <wx/dcmemory.h>
#include <wx/gdicmn.h>

// An off-screen drawing surface for one drawing. It covers a rectangle of a
// target context; callers draw in the target's own coordinates, and the
// whole rectangle reaches the target in a single copy when the object ends,
// so the target never shows a half-drawn state.
//
// An empty rectangle means the target's clipping box (or, without one, the
// whole target). When the rectangle is still empty no surface is made:
// IsOk() is false and nothing is copied.
class CMemoryDC : public wxMemoryDC
{
public:
    CMemoryDC(wxDC& target, const wxRect& area = wxRect());
    ~CMemoryDC() override;

    CMemoryDC(const CMemoryDC&) = delete;
    CMemoryDC& operator=(const CMemoryDC&) = delete;

    // The target rectangle this surface covers.
    const wxRect& GetArea() const { return m_rcArea; }

private:
    wxDC& m_target;
    wxRect m_rcArea;
    wxBitmap m_bmpSurface;
};
