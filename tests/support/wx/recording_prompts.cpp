#include "recording_prompts.h"

namespace corvale_test {

int RecordingPrompts::Message(wxWindow* owner, const wxString& text, const wxString& caption, long style)
{
    messages.push_back({text, caption, style});
    owners.push_back(owner);
    if (!(style & wxYES_NO))
        return wxOK;
    if (answers.empty())
        return wxYES;
    const int answer = answers.front();
    answers.pop_front();
    return answer;
}

bool RecordingPrompts::OpenFiles(wxWindow*, const wxString& title, const wxString& wildcard, wxArrayString& paths)
{
    ++openCount;
    openTitle = title;
    openWildcard = wildcard;
    if (!filesToPick)
        return false;
    paths = *filesToPick;
    return true;
}

bool RecordingPrompts::PickFolder(wxWindow*, const wxString& title, wxString& path)
{
    pickTitles.push_back(title);
    if (!folderToPick)
        return false;
    path = *folderToPick;
    return true;
}

std::vector<wxString> RecordingPrompts::Texts() const
{
    std::vector<wxString> texts;
    for (const PromptRecord& record : messages)
        texts.push_back(record.text);
    return texts;
}

}  // namespace corvale_test
