// main() for GoogleTest programs that need a running wx GUI: under an X
// server (xvfb-run in the build), never in front of a person.

#include <cstdio>

#include <gtest/gtest.h>
#include <wx/app.h>
#include <wx/frame.h>
#include <wx/init.h>
#include <wx/log.h>

#include "wx_test_env.h"

class CorvaleTestApp : public wxApp
{
public:
    bool OnInit() override { return true; } // no command line of its own
};

namespace {

wxFrame* g_frame = nullptr; // destroyed before wx is cleaned up

// A failed wx assertion fails the running test instead of opening a dialog.
void FailOnAssert(const wxString& file, int line, const wxString& func,
                  const wxString& cond, const wxString& msg)
{
    ADD_FAILURE_AT(file.utf8_str().data(), line)
        << "wx assertion " << cond.utf8_str().data() << " in " << func.utf8_str().data()
        << ": " << msg.utf8_str().data();
}

} // namespace

wxIMPLEMENT_APP_NO_MAIN(CorvaleTestApp);

namespace corvale_test {

wxFrame& TestFrame()
{
    return *g_frame;
}

} // namespace corvale_test

int main(int argc, char** argv)
{
    testing::InitGoogleTest(&argc, argv);
    // Listing the tests (as the build does to register them) needs no display.
    if (GTEST_FLAG_GET(list_tests))
        return RUN_ALL_TESTS();

    wxSetAssertHandler(FailOnAssert);
    if (!wxEntryStart(argc, argv)) {
        std::fprintf(stderr, "wx could not start: these tests need an X display "
                             "(run them under xvfb-run)\n");
        return 1;
    }
    // Messages go to stderr, never to a message box; wx owns the log target.
    delete wxLog::SetActiveTarget(new wxLogStderr);

    int result = 1;
    if (wxTheApp->CallOnInit()) {
        g_frame = new wxFrame(nullptr, wxID_ANY, wxS("Corvale tests"), wxPoint(0, 0),
                              wxSize(800, 600)); // a top-level window owns itself
        g_frame->Show();
        corvale_test::PumpEvents();

        result = RUN_ALL_TESTS();

        g_frame->Destroy();
        g_frame = nullptr;
        corvale_test::PumpEvents();
        wxTheApp->OnExit();
    }
    wxEntryCleanup();
    return result;
}
