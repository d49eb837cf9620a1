#pragma once

// Helpers for tests of wx windows. The test program's main (wx_test_main.cpp)
// starts wx, makes one shown top-level frame for the tests' windows, runs the
// tests and cleans wx up. wx assertions fail the running test.

#include <chrono>
#include <functional>
#include <memory>
#include <ostream>

#include <wx/bitmap.h>
#include <wx/colour.h>
#include <wx/dc.h>
#include <wx/event.h>
#include <wx/frame.h>
#include <wx/image.h>
#include <wx/window.h>

namespace corvale_test {

// The shown top-level frame that tests put their windows into.
wxFrame& TestFrame();

// Handles the events already waiting (window system and pending wx events)
// without waiting for new ones, then the idle time (which also deletes the
// windows destroyed meanwhile).
void PumpEvents();

// Pumps events until `done` holds; false when it still does not after
// `limit`, a bound far above what any wait needs, so only a fault reaches it.
bool PumpUntil(const std::function<bool()>& done, std::chrono::seconds limit = std::chrono::seconds(120));

// Owns a child window: destroys it when the pointer ends.
struct WindowDestroyer
{
    void operator()(wxWindow* window) const;
};
template <class T>
using WindowPtr = std::unique_ptr<T, WindowDestroyer>;

// Sends a synthesized mouse event at a client position straight to the
// window's handler, as the window system would. Returns whether a handler
// took it.
bool SendMouse(wxWindow& window, wxEventType type, int x, int y, bool leftIsDown = false);

// Sends a synthesized key event (wxEVT_KEY_DOWN, wxEVT_KEY_UP, or
// wxEVT_CHAR_HOOK, which a real key sends first to the focused window).
bool SendKey(wxWindow& window, wxEventType type, int keyCode);

// Sends a synthesized focus event (wxEVT_SET_FOCUS or wxEVT_KILL_FOCUS)
// straight to the window's handler, as the window system would when the
// keyboard focus comes or goes; the real focus is left where it is.
bool SendFocus(wxWindow& window, wxEventType type);

// Takes the mouse capture away from the window that holds it, the way the
// window system does when another window grabs the pointer: the holder gets
// wxEVT_MOUSE_CAPTURE_LOST and no longer has the capture.
void TakeMouseCaptureAway();

// The colour of one pixel (no alpha).
wxColour PixelAt(const wxImage& image, int x, int y);
wxColour PixelAt(const wxBitmap& bitmap, int x, int y);

// Draws into a new 24-bit bitmap of the given size, first cleared with the
// background colour, and returns it once the drawing is done (deterministic
// rendering of a window's drawing routine, with no screen involved).
wxBitmap RenderToBitmap(const wxSize& size, const std::function<void(wxDC&)>& draw,
                        const wxColour& background = *wxBLACK);

} // namespace corvale_test

// Lets GoogleTest print colours in its messages, as "rgb(r, g, b)".
void PrintTo(const wxColour& colour, std::ostream* out);
