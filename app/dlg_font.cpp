#include "dlg_font.h"

#include <wx/font.h>
#include <wx/settings.h>
#include <wx/window.h>

void SetTemplateFont(wxWindow& dialog)
{
    // Four horizontal and eight vertical dialog units are one average
    // character of the template font: 6 by 13 pixels at 96 dpi.
    const double scale = dialog.GetDPI().GetWidth() > 0 ? dialog.GetDPI().GetWidth() / 96.0 : 1.0;
    const int maxWidth = int(6 * scale + 0.5);
    const int maxHeight = int(13 * scale + 0.5);

    wxFont font = wxSystemSettings::GetFont(wxSYS_DEFAULT_GUI_FONT);
    for (double points : {8.0, 7.5, 7.0, 6.5}) {
        font.SetFractionalPointSize(points);
        dialog.SetFont(font);
        const wxSize base = dialog.ConvertDialogToPixels(wxSize(4, 8));
        if (base.GetWidth() <= maxWidth && base.GetHeight() <= maxHeight)
            return;
    }
}
