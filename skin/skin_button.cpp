#include "skin/skin_button.h"

#include <algorithm>
#include <utility>
#include <vector>

#include <wx/dcclient.h>
#include <wx/dcmemory.h>
#include <wx/settings.h>

#include "res/wx_resources.h"
#include "skin/accessible_name.h"
#include "skin/memory_dc.h"

namespace {

// Colours of a built-in look, used for a look that has no picture.
struct BuiltInColours
{
    wxColour inner;
    wxColour outer;
    wxColour upper;
    wxColour lower;
};

BuiltInColours ColoursFor(CxSkinButton::Look look)
{
    switch (look) {
    case CxSkinButton::Look::Hover:
        return {{123, 168, 246}, {5, 93, 250}, {228, 229, 229}, {213, 214, 214}};
    case CxSkinButton::Look::Pressed:
        return {{90, 124, 185}, {1, 12, 31}, {226, 227, 227}, {213, 214, 214}};
    case CxSkinButton::Look::Disabled:
        return {{242, 242, 242}, {147, 146, 146}, {236, 235, 235}, {224, 224, 224}};
    case CxSkinButton::Look::Normal:
        break;
    }
    return {{237, 237, 237}, {111, 110, 110}, {229, 228, 228}, {214, 213, 213}};
}

// How far the focus frame stands inside the button's edges by default: clear
// of the pictures' transparent margins, outlines and rounded corners, and
// still around the caption of a small button.
int DefaultFocusInset(const wxSize& size) { return std::clamp(std::min(size.x, size.y) / 7, 3, 7); }

void FillRect(wxDC& dc, int x, int y, int width, int height)
{
    if (width > 0 && height > 0)
        dc.DrawRectangle(x, y, width, height);
}

// Inner frame, rounded outer outline (6x6 corner ellipse), then the two
// halves filled solid, divided at half the height.
void DrawBuiltInLook(wxDC& dc, const wxSize& size, CxSkinButton::Look look)
{
    const BuiltInColours colours = ColoursFor(look);
    const int w = size.x;
    const int h = size.y;

    wxDCBrushChanger hollow(dc, *wxTRANSPARENT_BRUSH);
    {
        wxDCPenChanger pen(dc, wxPen(colours.inner, 1));
        FillRect(dc, 1, 1, w - 2, h - 2);
    }
    {
        wxDCPenChanger pen(dc, wxPen(colours.outer, 1));
        dc.DrawRoundedRectangle(0, 0, w, h, 3.0);
    }

    wxDCPenChanger noPen(dc, *wxTRANSPARENT_PEN);
    const int middle = h / 2;
    dc.SetBrush(wxBrush(colours.upper));
    FillRect(dc, 2, 2, w - 4, middle - 2);
    dc.SetBrush(wxBrush(colours.lower));
    FillRect(dc, 2, middle, w - 4, h - 2 - middle);
}

} // namespace

wxBEGIN_EVENT_TABLE(CxSkinButton, wxControl)
    EVT_PAINT(CxSkinButton::OnPaint)
    EVT_ERASE_BACKGROUND(CxSkinButton::OnEraseBackground)
    EVT_MOTION(CxSkinButton::OnMotion)
    EVT_LEAVE_WINDOW(CxSkinButton::OnLeave)
    EVT_LEFT_DOWN(CxSkinButton::OnLeftDown)
    EVT_LEFT_DCLICK(CxSkinButton::OnLeftDClick)
    EVT_LEFT_UP(CxSkinButton::OnLeftUp)
    EVT_SET_FOCUS(CxSkinButton::OnSetFocus)
    EVT_KILL_FOCUS(CxSkinButton::OnKillFocus)
    EVT_MOUSE_CAPTURE_LOST(CxSkinButton::OnCaptureLost)
    EVT_KEY_DOWN(CxSkinButton::OnKeyDown)
    EVT_KEY_UP(CxSkinButton::OnKeyUp)
    EVT_CHAR_HOOK(CxSkinButton::OnCharHook)
wxEND_EVENT_TABLE()

CxSkinButton::CxSkinButton(wxWindow* parent, wxWindowID id, const wxString& label,
                           const wxPoint& pos, const wxSize& size, int kind, long style)
    : m_crText(wxSystemSettings::GetColour(wxSYS_COLOUR_BTNTEXT)),
      m_nKind(kind == KIND_CHECK || kind == KIND_RADIO ? kind : KIND_PUSH)
{
    // Every paint covers the whole button: nothing is erased beforehand.
    SetBackgroundStyle(wxBG_STYLE_PAINT);
    wxControl::Create(parent, id, pos, size, style | wxBORDER_NONE,
                      wxDefaultValidator, wxS("CxSkinButton"));
    SetLabel(label);
    SetInitialSize(size);
}

// ---------------------------------------------------------------- pictures

void CxSkinButton::StatePicture::Set(const wxImage& picture)
{
    image = picture;
    // Scaling blends a real alpha channel well, a mask badly.
    if (image.IsOk() && image.HasMask() && !image.HasAlpha())
        image.InitAlpha();
    scaled = wxBitmap();
    scaledSize = wxDefaultSize;
}

const wxBitmap& CxSkinButton::StatePicture::BitmapFor(const wxSize& size)
{
    if (!scaled.IsOk() || scaledSize != size) {
        scaled = size == image.GetSize()
                     ? wxBitmap(image)
                     : wxBitmap(image.Scale(size.x, size.y, wxIMAGE_QUALITY_HIGH));
        scaledSize = size;
    }
    return scaled;
}

void CxSkinButton::SetStateImages(int normal, int pressed, int hover, int disabled)
{
    // The same id is decoded once (the disabled picture is often the normal one).
    const wxImage normalImage = LoadPngImage(normal);
    const auto load = [&](int id) { return id == normal ? normalImage : LoadPngImage(id); };
    SetStateImages(normalImage, load(pressed), load(hover), load(disabled));
}

void CxSkinButton::SetStateImages(const wxImage& normal, const wxImage& pressed,
                                  const wxImage& hover, const wxImage& disabled)
{
    m_imgNormal.Set(normal);
    m_imgHover.Set(hover);
    m_imgPressed.Set(pressed);
    m_imgDisabled.Set(disabled);
    ResizeToNormalPicture();
}

void CxSkinButton::ResizeToNormalPicture()
{
    InvalidateBestSize();
    if (m_imgNormal.IsOk())
        SetSize(m_imgNormal.image.GetSize()); // keeps the position
    Refresh();
}

wxSize CxSkinButton::DoGetBestSize() const
{
    if (m_imgNormal.IsOk())
        return m_imgNormal.image.GetSize();
    const wxSize text = GetTextExtent(RemoveMnemonics(GetLabel()));
    return wxSize(std::max(text.x + 16, 24), std::max(text.y + 10, 24));
}

// ------------------------------------------------------------------ drawing

CxSkinButton::Look CxSkinButton::GetLook() const
{
    if (!IsEnabled())
        return Look::Disabled;
    if (m_bPushed || m_bSpaceDown || m_bChecked)
        return Look::Pressed;
    if (m_bHover)
        return Look::Hover;
    return Look::Normal;
}

CxSkinButton::StatePicture* CxSkinButton::PictureFor(Look look)
{
    switch (look) {
    case Look::Disabled:
        return m_imgDisabled.IsOk() ? &m_imgDisabled : nullptr;
    case Look::Pressed:
        return m_imgPressed.IsOk() ? &m_imgPressed : nullptr;
    case Look::Hover:
        // Without a normal picture the hover look is the built-in one.
        if (!m_imgNormal.IsOk())
            return nullptr;
        return m_imgHover.IsOk() ? &m_imgHover : &m_imgNormal;
    case Look::Normal:
        break;
    }
    return m_imgNormal.IsOk() ? &m_imgNormal : nullptr;
}

void CxSkinButton::Draw(wxDC& dc, const wxSize& size, Look look)
{
    if (size.x <= 0 || size.y <= 0)
        return;
    if (m_bOffscreen)
        DrawBackground(dc, size);
    dc.SetBackgroundMode(wxBRUSHSTYLE_TRANSPARENT);
    if (StatePicture* picture = PictureFor(look))
        dc.DrawBitmap(picture->BitmapFor(size), 0, 0, true);
    else
        DrawBuiltInLook(dc, size, look);
    DrawCaption(dc, size, look == Look::Disabled);
}

// The backdrop is uniform along each row, so its column 0 at the button's
// rows gives the colour behind the button wherever the button stands.
void CxSkinButton::DrawBackground(wxDC& dc, const wxSize& size) const
{
    wxDCPenChanger noPen(dc, *wxTRANSPARENT_PEN);
    wxDCBrushChanger fill(dc, wxBrush(m_crFill));
    if (!m_pBackdrop || !m_pBackdrop->IsOk()) {
        dc.DrawRectangle(0, 0, size.x, size.y);
        return;
    }

    const int columns = std::min(size.x, m_pBackdrop->GetWidth());
    const int rows = std::min(size.y, m_pBackdrop->GetHeight());
    if (columns < size.x || rows < size.y)
        dc.DrawRectangle(0, 0, size.x, size.y); // what the backdrop cannot cover
    const int top = std::clamp(GetPosition().y, 0, m_pBackdrop->GetHeight() - rows);

    wxMemoryDC source;
    source.SelectObjectAsSource(*m_pBackdrop);
    dc.Blit(0, 0, columns, rows, &source, 0, top);
}

void CxSkinButton::DrawCaption(wxDC& dc, const wxSize& size, bool disabled) const
{
    if (m_bCaptionInPictures)
        return;
    wxString text;
    const int accelIndex = FindAccelIndex(GetLabel(), &text);
    if (text.empty())
        return;
    // One line only.
    text.Replace(wxS("\r"), wxS(" "));
    text.Replace(wxS("\n"), wxS(" "));

    const wxRect area(2, 0, size.x - 4, size.y);
    if (area.IsEmpty())
        return;
    const int horizontal = disabled ? wxALIGN_CENTER_HORIZONTAL
                                    : m_nTextFormat & (wxALIGN_CENTER_HORIZONTAL | wxALIGN_RIGHT);
    const wxColour colour = disabled ? wxSystemSettings::GetColour(wxSYS_COLOUR_GRAYTEXT)
                                     : m_crText;

    wxDCClipper clip(dc, area);
    wxDCFontChanger font(dc, GetFont());
    wxDCTextColourChanger textColour(dc, colour);
    dc.DrawLabel(text, area, horizontal | wxALIGN_CENTER_VERTICAL, accelIndex);
}

// A dotted frame, black and white pixels by turns: it reads on the light, the
// green and the dark blue parts of the skin alike.
void CxSkinButton::DrawFocusFrame(wxDC& dc, const wxSize& size) const
{
    const wxRect frame = wxRect(size).Deflate(m_nFocusInset >= 0 ? m_nFocusInset : DefaultFocusInset(size));
    if (frame.width < 2 || frame.height < 2)
        return;
    wxDCPenChanger noPen(dc, *wxTRANSPARENT_PEN);
    wxDCBrushChanger white(dc, *wxWHITE_BRUSH);
    FillRect(dc, frame.x, frame.y, frame.width, 1);
    FillRect(dc, frame.x, frame.GetBottom(), frame.width, 1);
    FillRect(dc, frame.x, frame.y, 1, frame.height);
    FillRect(dc, frame.GetRight(), frame.y, 1, frame.height);

    dc.SetBrush(*wxBLACK_BRUSH);
    for (int x = frame.x; x <= frame.GetRight(); x += 2) {
        FillRect(dc, x, frame.y, 1, 1);
        FillRect(dc, x, frame.GetBottom(), 1, 1);
    }
    for (int y = frame.y; y <= frame.GetBottom(); y += 2) {
        FillRect(dc, frame.x, y, 1, 1);
        FillRect(dc, frame.GetRight(), y, 1, 1);
    }
}

void CxSkinButton::Paint(wxDC& dc)
{
    const wxSize size = GetClientSize();
    if (size.x <= 0 || size.y <= 0)
        return;
    const Look look = GetLook();
    const auto draw = [&](wxDC& target) {
        Draw(target, size, look);
        if (ShowsFocusFrame())
            DrawFocusFrame(target, size);
    };
    if (m_bOffscreen) {
        // Composed off screen, reaches the window in one copy: no flicker.
        CMemoryDC surface(dc, wxRect(size));
        if (surface.IsOk())
            draw(surface);
    } else {
        draw(dc);
    }
}

wxBitmap CxSkinButton::RenderToBitmap()
{
    const wxSize size = GetClientSize();
    wxBitmap bitmap;
    if (size.x <= 0 || size.y <= 0 || !bitmap.Create(size, 24))
        return bitmap;
    {
        wxMemoryDC dc(bitmap);
        dc.SetBackground(*wxBLACK_BRUSH);
        dc.Clear();
        Paint(dc);
    }
    return bitmap;
}

void CxSkinButton::OnPaint(wxPaintEvent&)
{
    wxPaintDC dc(this);
    Paint(dc);
}

void CxSkinButton::OnEraseBackground(wxEraseEvent&)
{
    // Nothing: the paint covers the whole button.
}

void CxSkinButton::SetLabel(const wxString& label)
{
    wxControl::SetLabel(label);
    SetAccessibleButtonName(*this, RemoveMnemonics(label));
    Refresh();
}

void CxSkinButton::DoEnable(bool enable)
{
    wxControl::DoEnable(enable);
    if (!enable) {
        // A disabled button gets no more mouse or key events to end these.
        if (m_bCaptured && HasCapture())
            ReleaseMouse();
        m_bCaptured = m_bPushed = m_bSpaceDown = m_bHover = false;
    }
    Refresh();
}

// ------------------------------------------------------------- the focus

// wx does not say where a focus came from; the one case told apart is the
// button's own press, which asks for the focus as a native button does:
// a mouse user needs no frame, so it shows only once a key is pressed here.
void CxSkinButton::SetFocusWithoutFrame()
{
    m_bFrameHidden = true;
    m_bPressFocus = FindFocus() != this; // the focus event may come later
    SetFocus();
    Refresh();
}

void CxSkinButton::OnSetFocus(wxFocusEvent& event)
{
    m_bFocused = true;
    m_bFrameHidden = m_bPressFocus;
    m_bPressFocus = false;
    Refresh();
    event.Skip();
}

// -------------------------------------------------------------- the mouse

void CxSkinButton::OnMotion(wxMouseEvent& event)
{
    if (m_bCaptured) {
        // Held down: shows pressed exactly while the pointer is over it.
        const bool over = GetClientRect().Contains(event.GetPosition());
        if (over != m_bPushed) {
            m_bPushed = over;
            Refresh();
        }
    } else if (!m_bHover) {
        m_bHover = true;
        Refresh();
    }
    event.Skip();
}

void CxSkinButton::OnLeave(wxMouseEvent& event)
{
    m_bHover = false;
    Refresh();
    event.Skip();
}

void CxSkinButton::Press()
{
    m_bHover = false;
    if (!m_bCaptured) {
        SetFocusWithoutFrame(); // as a native button does, so the space bar works next
        if (!HasCapture())
            CaptureMouse();
        m_bCaptured = true;
    }
    m_bFrameHidden = true;
    m_bPushed = true;
    Refresh();
}

void CxSkinButton::OnLeftDown(wxMouseEvent&)
{
    Press();
}

// The second press of a double click is one more press, so a double click
// gives two clicks.
void CxSkinButton::OnLeftDClick(wxMouseEvent&)
{
    Press();
}

void CxSkinButton::OnLeftUp(wxMouseEvent& event)
{
    if (!m_bCaptured) {
        event.Skip();
        return;
    }
    const bool over = GetClientRect().Contains(event.GetPosition());
    m_bCaptured = false;
    m_bPushed = false;
    if (HasCapture())
        ReleaseMouse();
    Refresh();
    if (over) {
        ClickCheckState();
        SendClick(); // last: the parent's handler may destroy this button
    }
}

void CxSkinButton::OnKillFocus(wxFocusEvent& event)
{
    m_bFocused = m_bFrameHidden = m_bPressFocus = false;
    Refresh();
    if (m_bCaptured && HasCapture())
        ReleaseMouse();
    m_bCaptured = m_bPushed = m_bSpaceDown = false;
    event.Skip();
}

// The capture is already gone when this arrives: only forget the press.
void CxSkinButton::OnCaptureLost(wxMouseCaptureLostEvent&)
{
    if (m_bCaptured) {
        m_bCaptured = m_bPushed = false;
        Refresh();
    }
}

// ----------------------------------------------------------- the keyboard

// The space bar: going down changes the check state (check box and radio
// kinds) and shows the button pressed; coming up clicks it, whatever its
// kind. Auto-repeated downs are ignored. Any key pressed here shows the
// focus frame that a mouse press hid.
void CxSkinButton::OnKeyDown(wxKeyEvent& event)
{
    if (!IsEnabled()) {
        event.Skip();
        return;
    }
    if (m_bFrameHidden) {
        m_bFrameHidden = false;
        Refresh();
    }
    if (event.GetKeyCode() != WXK_SPACE || event.HasAnyModifiers()) {
        event.Skip();
        return;
    }
    if (m_bSpaceDown)
        return;
    m_bSpaceDown = true;
    ClickCheckState();
    Refresh();
}

void CxSkinButton::OnKeyUp(wxKeyEvent& event)
{
    if (event.GetKeyCode() != WXK_SPACE || !m_bSpaceDown || !IsEnabled()) {
        event.Skip();
        return;
    }
    m_bSpaceDown = false;
    Refresh();
    SendClick();
}

// Enter clicks at once, as it does a native button. It is taken here, where
// the key comes first to the focused window, because a dialog would
// otherwise keep it for its default button (Windows never lets it through).
void CxSkinButton::OnCharHook(wxKeyEvent& event)
{
    const int key = event.GetKeyCode();
    if ((key != WXK_RETURN && key != WXK_NUMPAD_ENTER) || event.HasAnyModifiers() || !IsEnabled()) {
        event.Skip();
        return;
    }
    m_bFrameHidden = false;
    ClickCheckState();
    Refresh();
    SendClick(); // last: the parent's handler may destroy this button
}

// ---------------------------------------------------- clicks and checking

void CxSkinButton::SendClick()
{
    wxCommandEvent click(wxEVT_BUTTON, GetId());
    click.SetEventObject(this);
    click.SetInt(m_bChecked ? 1 : 0);
    HandleWindowEvent(click); // command events travel on to the parent
}

void CxSkinButton::ClickCheckState()
{
    if (m_nKind == KIND_CHECK)
        SetCheck(!m_bChecked);
    else if (m_nKind == KIND_RADIO)
        SetCheck(true);
}

void CxSkinButton::SetCheck(bool check)
{
    m_bChecked = check && m_nKind != KIND_PUSH;
    if (m_nKind == KIND_RADIO && m_bChecked) {
        if (wxWindow* parent = GetParent()) {
            // Number the groups along the parent's children; uncheck the
            // other radio buttons that share this button's number.
            int group = 0;
            int ownGroup = 0;
            std::vector<std::pair<int, CxSkinButton*>> radios;
            for (wxWindow* child : parent->GetChildren()) {
                auto* button = dynamic_cast<CxSkinButton*>(child);
                if (!button)
                    continue;
                if (button->HasFlag(GROUP))
                    ++group;
                if (button == this)
                    ownGroup = group;
                else if (button->m_nKind == KIND_RADIO)
                    radios.emplace_back(group, button);
            }
            for (const auto& [buttonGroup, button] : radios) {
                if (buttonGroup == ownGroup)
                    button->UncheckFromGroup();
            }
        }
    }
    Refresh();
}

void CxSkinButton::UncheckFromGroup()
{
    if (m_bChecked) {
        m_bChecked = false;
        Refresh();
    }
}
