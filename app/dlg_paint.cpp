// The main window's background: painted from six skin bitmaps in one pass,
// around the controls that cover their own rectangles.
#include "velmora_dlg.h"

#include "dlg_ids.h"
#include "dlg_skin.h"
#include "skin/my_list_ctrl.h"

#include "res/wx_resources.h"

#include <wx/dcclient.h>
#include <wx/hyperlink.h>
#include <wx/radiobut.h>
#include <wx/region.h>
#include <wx/statbox.h>
#include <wx/stattext.h>

namespace {

// The image buttons paint their whole rectangles, the hidden ones included
// here: ClipOutControl skips what does not show.
constexpr int kImageButtons[] = {
    IDC_ADD_FILES, IDC_ADD_FOLDER, IDC_REMOVE_SELECTED, IDC_REMOVE_ALL, IDC_HELP,
    IDC_STOP,      IDC_CONVERT_ALL, IDC_CONVERT_SELECTED,
};

wxSize SizeOf(const wxBitmap& bitmap) { return bitmap.IsOk() ? bitmap.GetSize() : wxSize(); }

}  // namespace

void CVelmoraDlg::LoadSkinBitmaps()
{
    m_bmpBackdrop = LoadSkinBitmap(218);
    m_bmpPanel = LoadSkinBitmap(141);
    m_bmpBody = LoadSkinBitmap(192);
    m_bmpBanner = LoadSkinBitmap(191);
    m_bmpHStrip = LoadSkinBitmap(193);
    m_bmpVStrip = LoadSkinBitmap(194);
    m_szBackdrop = SizeOf(m_bmpBackdrop);
    m_szPanel = SizeOf(m_bmpPanel);
    m_szBody = SizeOf(m_bmpBody);
    m_szBanner = SizeOf(m_bmpBanner);
}

// The label, the radio buttons and the link stand on the options panel.
// GTK draws them without a background, over the painted panel. Windows
// paints their backgrounds itself, in the colour they are given.
void CVelmoraDlg::ApplyControlColours()
{
#ifdef __WXMSW__
    for (wxWindow* control : {static_cast<wxWindow*>(m_labelOutput), static_cast<wxWindow*>(m_radioSameFolder),
                              static_cast<wxWindow*>(m_radioCustomize), static_cast<wxWindow*>(m_linkHome)}) {
        control->SetBackgroundColour(m_brPanel.GetColour());
    }
#endif
}

void CVelmoraDlg::ClipOutControl(int id, wxRegion& clip) const
{
    const wxWindow* control = FindControl(id);
    if (control && control->IsShown())
        clip.Subtract(control->GetRect());
}

void CVelmoraDlg::PaintBackground(wxDC& dc)
{
    const wxSize client = GetClientSize();
    const int W = client.GetWidth();
    const int H = client.GetHeight();

    m_rcList = m_listFiles->GetRect();
    m_rcSide = m_panelPlaceholder->GetRect();
    m_rcUnderList = wxRect(m_rcList.GetLeft(), m_rcList.GetBottom() + 1, m_rcList.GetWidth(),
                           m_rcSide.GetBottom() - m_rcList.GetBottom());

    // Left out: the list, the side panel once a panel covers the
    // placeholder, and the image buttons that show. The native controls
    // have no background of their own here (or leave rounded corners): the
    // background is painted under them and they draw over it.
    const bool sideCovered = m_pAdsPanel && m_pAdsPanel->IsShown();
    wxRegion clip{wxRect(client)};
    clip.Subtract(m_rcList);
    if (sideCovered)
        clip.Subtract(m_rcSide);
    for (int id : kImageButtons)
        ClipOutControl(id, clip);
    dc.SetDeviceClippingRegion(clip);

    const wxRect stripPart(0, 0, m_szBody.GetWidth(), kStripWidth);
    // The banner.
    m_stretch[0].Draw(dc, m_bmpBanner, wxRect(m_szBanner), wxRect(0, 0, W, kBannerHeight));
    // The strip under the banner, above the list.
    m_stretch[1].Draw(dc, m_bmpHStrip, stripPart, wxRect(0, kBannerHeight, W, kStripWidth));
    // The strip left of the list: the light top of the vertical gradient.
    m_stretch[2].Draw(dc, m_bmpVStrip, wxRect(0, 0, kStripWidth, m_szPanel.GetHeight()),
                      wxRect(0, kBannerHeight, kStripWidth, H - kBannerHeight));
    // The side panel's frame (the panel itself is left out, or filled below).
    m_stretch[3].Draw(dc, m_bmpBody, wxRect(m_szBody), wxRect(m_rcSide).Inflate(kStripWidth));
    // The strip along the bottom.
    m_stretch[4].Draw(dc, m_bmpHStrip, stripPart, wxRect(0, m_rcSide.GetBottom() + 1, W, kStripWidth));
    // The options panel under the list.
    m_stretch[5].Draw(dc, m_bmpPanel, wxRect(m_szPanel), m_rcUnderList);

    // Until the promotion panel covers it, the placeholder is an empty
    // light panel inside its frame.
    if (!sideCovered && !m_rcSide.IsEmpty()) {
        wxDCPenChanger noPen(dc, *wxTRANSPARENT_PEN);
        wxDCBrushChanger panel(dc, m_brPanel);
        dc.DrawRectangle(m_rcSide);
    }
    dc.DestroyClippingRegion();
}

void CVelmoraDlg::OnPaint(wxPaintEvent&)
{
    wxPaintDC dc(this);
    PaintBackground(dc);
}
