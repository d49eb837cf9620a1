// Prompts for tests: every message box is recorded with its owner and
// answered as the test said (OK, or the next of its Yes/No answers); the
// file and folder pickers answer what the test chose, or as cancelled.
#pragma once

#include "res/prompts.h"

#include <wx/arrstr.h>
#include <wx/defs.h>

#include <deque>
#include <optional>
#include <vector>

namespace corvale_test {

struct PromptRecord {
    wxString text;
    wxString caption;
    long style = 0;
};

class RecordingPrompts final : public Prompts {
public:
    int Message(wxWindow* owner, const wxString& text, const wxString& caption, long style) override;
    bool OpenFiles(wxWindow* owner, const wxString& title, const wxString& wildcard, wxArrayString& paths) override;
    bool PickFolder(wxWindow* owner, const wxString& title, wxString& path) override;

    std::vector<wxString> Texts() const;

    std::vector<PromptRecord> messages;
    std::vector<wxWindow*> owners;
    // Answers to Yes/No questions, in order; Yes when none is left.
    std::deque<int> answers;

    std::optional<wxArrayString> filesToPick;  // nullopt: the dialog is cancelled
    wxString openTitle;
    wxString openWildcard;
    int openCount = 0;

    std::optional<wxString> folderToPick;  // nullopt: the picker is cancelled
    std::vector<wxString> pickTitles;
};

}  // namespace corvale_test
