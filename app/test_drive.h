// Lets a test drive the installed program from outside, through the window's
// own events, where it cannot reach into the process (the Windows build under
// wine). With CORVALE_TEST_DRIVE naming a folder, the program:
//   1. once its window shows, with the books of its command line listed,
//      writes what the window shows to window.png and window.ppm there, then
//      an empty file "shown";
//   2. waits for a file "go" to appear there, then clicks Convert All;
//   3. once the run has ended, writes report.txt (UTF-8, one tab-separated
//      line each: "title", "rect" with left, top, right and bottom, "output"
//      with the output-folder field, one "row" per list row with its File and
//      Status, one "message" per message box) and closes its window, which
//      saves the settings as a person closing it would.
// Message boxes are answered OK (No to a question) and reported, so nothing
// waits for a person.
#pragma once

#include <memory>

class CVelmoraDlg;

class TestDrive {
public:
    virtual ~TestDrive() = default;
    // The drive for `dialog` when CORVALE_TEST_DRIVE is set, null otherwise.
    // It starts with Start() and must not outlive the dialog.
    static std::unique_ptr<TestDrive> FromEnvironment(CVelmoraDlg& dialog);
    virtual void Start() = 0;
};
