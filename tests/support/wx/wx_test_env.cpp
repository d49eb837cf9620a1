#include "wx_test_env.h"

#include <wx/app.h>
#include <wx/dcmemory.h>

#include <thread>

namespace corvale_test {

void PumpEvents()
{
    if (wxTheApp) {
        wxTheApp->ProcessPendingEvents();
        wxTheApp->Yield(true);
        wxTheApp->ProcessIdle();
    }
}

bool PumpUntil(const std::function<bool()>& done, std::chrono::seconds limit)
{
    const auto deadline = std::chrono::steady_clock::now() + limit;
    while (!done()) {
        if (std::chrono::steady_clock::now() > deadline)
            return false;
        PumpEvents();
        // Leaves the processor to the threads and processes being waited for.
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    return true;
}

void WindowDestroyer::operator()(wxWindow* window) const
{
    if (window)
        window->Destroy();
}

bool SendMouse(wxWindow& window, wxEventType type, int x, int y, bool leftIsDown)
{
    wxMouseEvent event(type);
    event.SetEventObject(&window);
    event.SetId(window.GetId());
    event.SetPosition(wxPoint(x, y));
    event.SetLeftDown(leftIsDown || type == wxEVT_LEFT_DOWN || type == wxEVT_LEFT_DCLICK);
    event.m_clickCount = type == wxEVT_LEFT_DCLICK ? 2 : 1;
    return window.GetEventHandler()->ProcessEvent(event);
}

bool SendKey(wxWindow& window, wxEventType type, int keyCode)
{
    wxKeyEvent event(type);
    event.SetEventObject(&window);
    event.SetId(window.GetId());
    event.m_keyCode = keyCode;
    return window.GetEventHandler()->ProcessEvent(event);
}

bool SendFocus(wxWindow& window, wxEventType type)
{
    wxFocusEvent event(type, window.GetId());
    event.SetEventObject(&window);
    return window.GetEventHandler()->ProcessEvent(event);
}

#ifndef __WXGTK__
namespace {

// Reaches the notification that wx sends when the capture is lost.
struct CaptureLoser : wxWindow
{
    static void Notify() { NotifyCaptureLost(); }
};

} // namespace
#endif

void TakeMouseCaptureAway()
{
    wxWindow* holder = wxWindow::GetCapture();
    if (!holder)
        return;
#ifdef __WXGTK__
    // What wx does when GTK reports the grab broken.
    holder->GTKReleaseMouseAndNotify();
#else
    CaptureLoser::Notify();
#endif
}

wxColour PixelAt(const wxImage& image, int x, int y)
{
    return wxColour(image.GetRed(x, y), image.GetGreen(x, y), image.GetBlue(x, y));
}

wxColour PixelAt(const wxBitmap& bitmap, int x, int y)
{
    return PixelAt(bitmap.ConvertToImage(), x, y);
}

wxBitmap RenderToBitmap(const wxSize& size, const std::function<void(wxDC&)>& draw,
                        const wxColour& background)
{
    wxBitmap bitmap(size, 24);
    {
        wxMemoryDC dc(bitmap);
        dc.SetBackground(wxBrush(background));
        dc.Clear();
        draw(dc);
    }
    return bitmap;
}

} // namespace corvale_test

void PrintTo(const wxColour& colour, std::ostream* out)
{
    *out << colour.GetAsString(wxC2S_CSS_SYNTAX).utf8_str().data();
}
