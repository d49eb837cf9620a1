#include "velmora_app.h"

#include "settings/settings_store.h"
#include "velmora_dlg.h"

#include <wx/image.h>

wxIMPLEMENT_APP(CVelmoraApp);

bool CVelmoraApp::OnInit()
{
    // The program takes no command-line options.
    // The settings live under the vendor and application names.
    SetVendorName(kSettingsVendorName);
    SetAppName(kSettingsAppName);
    wxInitAllImageHandlers();

    {
        CVelmoraDlg dialog;
        SetTopWindow(&dialog);
        dialog.ShowModal();
        SetTopWindow(nullptr);
    }
    // OnRun returns at once: the program ends here.
    return true;
}
