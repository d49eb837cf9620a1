#pragma once

#include <wx/bitmap.h>
#include <wx/colour.h>
#include <wx/control.h>
#include <wx/image.h>
#include <wx/radiobut.h>

// A button drawn entirely from pictures: one for each of its looks (normal,
// hover, pressed, disabled), composed over a background so that the pictures'
// alpha edges blend into the skinned window behind them. A look without a
// picture falls back to a built-in flat look.
//
// Kinds: a push button (KIND_PUSH), a check box (KIND_CHECK, a click toggles
// the check) or a radio button (KIND_RADIO, a click checks it and unchecks
// the other radio-kind skin buttons of its group).
//
// Radio groups: among the parent's children, in their order, a group starts
// at a skin button created with the GROUP style and runs up to the next skin
// button with that style; skin buttons before the first GROUP form one group.
// Other windows neither start nor end a group.
//
// Every click (mouse, or the space bar or Enter for keyboard users, on any
// kind) sends a wxEVT_BUTTON command event with the button's id, which
// reaches the parent's event table. A disabled button ignores all of them.
//
// Keyboard focus shows as a dotted frame inset in the button's face, drawn
// over whatever look the button has, except while the focus came from a
// mouse press on the button (until a key is pressed on it).
class CxSkinButton : public wxControl
{
public:
    static constexpr int KIND_PUSH = 0;
    static constexpr int KIND_CHECK = 2;
    static constexpr int KIND_RADIO = 4;

    // Style bit: this button starts a new radio group.
    static constexpr long GROUP = wxRB_GROUP;

    // What the button shows; see GetLook().
    enum class Look { Normal, Hover, Pressed, Disabled };

    CxSkinButton(wxWindow* parent, wxWindowID id, const wxString& label,
                 const wxPoint& pos = wxDefaultPosition,
                 const wxSize& size = wxDefaultSize, int kind = KIND_PUSH,
                 long style = 0);

    CxSkinButton(const CxSkinButton&) = delete;
    CxSkinButton& operator=(const CxSkinButton&) = delete;

    // Loads the four pictures by resource id (LoadPngImage); a missing id
    // leaves that look without a picture. The button then takes the size of
    // its normal picture, keeping its position.
    void SetStateImages(int normal, int pressed, int hover, int disabled);
    void SetStateImages(const wxImage& normal, const wxImage& pressed,
                        const wxImage& hover, const wxImage& disabled);

    // A push button stays unchecked. A radio button that becomes checked
    // unchecks the other radio-kind skin buttons of its group.
    void SetCheck(bool check);
    bool GetCheck() const { return m_bChecked; }

    int GetKind() const { return m_nKind; }
    bool IsHover() const { return m_bHover; }
    bool IsCaptured() const { return m_bCaptured; }

    // The look the current state calls for: disabled; else pressed while
    // pushed (mouse held over it, or space bar held) or checked; else hover
    // while the pointer is over it; else normal.
    Look GetLook() const;

    // Draws the whole button for one look into dc at (0,0) with the given
    // size: the background (only with m_bOffscreen), the picture (or the
    // built-in look) scaled to the size, then the caption. Painting uses it.
    void Draw(wxDC& dc, const wxSize& size, Look look);

    // What the window's paint does, into any dc: the current look at the
    // client size, composed in a CMemoryDC over the background and copied
    // in one block when m_bOffscreen, drawn straight into dc otherwise.
    void Paint(wxDC& dc);

    // Paint() into a new bitmap of the client size. Without m_bOffscreen
    // nothing is drawn beneath the picture: the bitmap starts black.
    wxBitmap RenderToBitmap();

    // Takes the focus as a press on the button does: the frame shows only
    // once a key is pressed here (for a focus given at the window's start).
    void SetFocusWithoutFrame();

    // Whether the focus frame shows now.
    bool ShowsFocusFrame() const { return m_bFocused && !m_bFrameHidden && IsEnabled(); }

    // The label is what screen readers say; it is drawn only without
    // m_bCaptionInPictures.
    void SetLabel(const wxString& label) override;
    bool AcceptsFocus() const override { return true; }

    // Set by the owner after SetStateImages.
    bool m_bOffscreen = false;          // compose over a background off screen
    wxColour m_crFill{0, 0, 0};         // background without a backdrop
    const wxBitmap* m_pBackdrop = nullptr;  // owned by the parent; row-uniform
    // The pictures carry the caption: the label is not drawn over them.
    bool m_bCaptionInPictures = false;
    // The focus frame's distance from the edges; -1: a few pixels, from the
    // button's size, inside a picture's body.
    int m_nFocusInset = -1;

    // Caption colour and horizontal alignment (wxALIGN_LEFT,
    // wxALIGN_CENTER_HORIZONTAL or wxALIGN_RIGHT; vertical bits are ignored,
    // the caption is always centred vertically).
    wxColour m_crText;
    int m_nTextFormat = wxALIGN_CENTER;

protected:
    wxSize DoGetBestSize() const override;
    void DoEnable(bool enable) override;

private:
    // One look's decoded picture and its last scaled copy.
    struct StatePicture
    {
        wxImage image;
        wxBitmap scaled;
        wxSize scaledSize;

        bool IsOk() const { return image.IsOk(); }
        void Set(const wxImage& picture);
        const wxBitmap& BitmapFor(const wxSize& size);
    };

    StatePicture* PictureFor(Look look);
    void DrawBackground(wxDC& dc, const wxSize& size) const;
    void DrawCaption(wxDC& dc, const wxSize& size, bool disabled) const;
    void DrawFocusFrame(wxDC& dc, const wxSize& size) const;
    void ResizeToNormalPicture();

    void Press();
    void CancelPress();
    void SendClick();
    void ClickCheckState();
    void UncheckFromGroup();

    void OnPaint(wxPaintEvent& event);
    void OnEraseBackground(wxEraseEvent& event);
    void OnMotion(wxMouseEvent& event);
    void OnLeave(wxMouseEvent& event);
    void OnLeftDown(wxMouseEvent& event);
    void OnLeftDClick(wxMouseEvent& event);
    void OnLeftUp(wxMouseEvent& event);
    void OnSetFocus(wxFocusEvent& event);
    void OnKillFocus(wxFocusEvent& event);
    void OnCaptureLost(wxMouseCaptureLostEvent& event);
    void OnKeyDown(wxKeyEvent& event);
    void OnKeyUp(wxKeyEvent& event);
    void OnCharHook(wxKeyEvent& event);

    int m_nKind = KIND_PUSH;
    bool m_bChecked = false;
    bool m_bHover = false;      // pointer over the button since its last move
    bool m_bCaptured = false;   // left button went down here, not yet up
    bool m_bPushed = false;     // shows pressed (captured and over, or space held)
    bool m_bSpaceDown = false;  // space bar went down here, not yet up
    bool m_bFocused = false;    // between its set-focus and kill-focus events
    bool m_bFrameHidden = false; // focused by a press, no key pressed since
    bool m_bPressFocus = false; // a press asked for the focus, not yet here

    StatePicture m_imgNormal;
    StatePicture m_imgPressed;
    StatePicture m_imgHover;
    StatePicture m_imgDisabled;

    wxDECLARE_EVENT_TABLE();
};
