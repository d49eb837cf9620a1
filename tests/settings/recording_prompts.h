// Prompts for tests: every message box is recorded and answered with OK; the
// file and folder pickers answer as cancelled.
#pragma once

#include "app/prompts.h"

#include <wx/defs.h>

#include <vector>

struct RecordedMessage {
    wxString text;
    wxString caption;
    long style = 0;
};

class RecordingPrompts final : public Prompts {
public:
    int Message(wxWindow* /*owner*/, const wxString& text, const wxString& caption, long style) override
    {
        messages.push_back({text, caption, style});
        return wxOK;
    }
    bool OpenFiles(wxWindow*, const wxString&, const wxString&, wxArrayString&) override { return false; }
    bool PickFolder(wxWindow*, const wxString&, wxString&) override { return false; }

    std::vector<RecordedMessage> messages;
};
