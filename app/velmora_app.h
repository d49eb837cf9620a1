// The application object: names the program for its settings, runs the main
// window modally and ends when it closes.
#pragma once

#include <wx/app.h>

class CVelmoraApp : public wxApp {
public:
    bool OnInit() override;
    // The main window's own loop was the program's only one: nothing is left
    // to run, and a window closed normally ends the program with status 0.
    int OnRun() override { return 0; }
};

wxDECLARE_APP(CVelmoraApp);
