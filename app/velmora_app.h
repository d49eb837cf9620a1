// The application object: names the program for its settings, runs the main
// window modally and ends when it closes.
#pragma once

#include <string>
#include <vector>

#include <wx/app.h>

class CVelmoraApp : public wxApp {
public:
    bool OnInit() override;
    // The main window's own loop was the program's only one: nothing is left
    // to run, and a window closed normally ends the program with status 0.
    int OnRun() override { return 0; }

    // The books and folders named on the command line, put into the list
    // once the window shows.
    static void SetStartupPaths(std::vector<std::wstring> paths);
};

wxDECLARE_APP(CVelmoraApp);
