// Windows: a screen reader names a window by its window text, which the
// window's label is, and a button drawn by the program is announced by that
// name.
#include "accessible_name.h"

#include <wx/window.h>

void SetAccessibleButtonName(wxWindow&, const wxString&) {}

wxString GetAccessibleName(const wxWindow& window) { return window.GetLabel(); }
