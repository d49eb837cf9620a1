// What a screen reader is told about a control that the program draws
// itself: the window system describes its native controls, not these.
#pragma once

#include <wx/string.h>

class wxWindow;

// Tells assistive technology that `window` is a push button named `name`.
void SetAccessibleButtonName(wxWindow& window, const wxString& name);

// The name assistive technology has for `window`; empty when none.
wxString GetAccessibleName(const wxWindow& window);
