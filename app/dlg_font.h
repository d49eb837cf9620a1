// The font of the program's dialog templates ("MS Shell Dlg", 8 points).
// Dialog units are measured with the dialog's font: this platform's dialog
// font is given the largest size (8 points at most) whose dialog units are
// no larger than the template font's (1.5 by 1.625 pixels at 96 dpi), so the
// templates and the window's pixel layout keep their proportions.
#pragma once

class wxWindow;

// Sets the template font on a dialog before its controls are made.
void SetTemplateFont(wxWindow& dialog);
