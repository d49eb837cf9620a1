// Windows: a window drawn by the program would be announced by its window
// text with the role of a mere client area; where wx has accessibility, the
// window gets an accessible object that names it and calls it a push button.
#include "accessible_name.h"

#include <wx/window.h>

#if wxUSE_ACCESSIBILITY
#include <wx/access.h>

namespace {

// Everything else (state, place, focus) as wx answers for any window.
class CButtonAccessible : public wxWindowAccessible
{
public:
    // Hands itself to the window, which owns and deletes it.
    explicit CButtonAccessible(wxWindow* window) : wxWindowAccessible(window) {}

    wxAccStatus GetName(int childId, wxString* name) override
    {
        if (childId != wxACC_SELF)
            return wxACC_NOT_IMPLEMENTED;
        *name = m_strName;
        return wxACC_OK;
    }

    wxAccStatus GetRole(int childId, wxAccRole* role) override
    {
        if (childId != wxACC_SELF)
            return wxACC_NOT_IMPLEMENTED;
        *role = wxROLE_SYSTEM_PUSHBUTTON;
        return wxACC_OK;
    }

    wxString m_strName;
};

}  // namespace

void SetAccessibleButtonName(wxWindow& window, const wxString& name)
{
    auto* accessible = dynamic_cast<CButtonAccessible*>(window.GetAccessible());
    if (!accessible)
        accessible = new CButtonAccessible(&window);
    accessible->m_strName = name;
}

wxString GetAccessibleName(const wxWindow& window)
{
    auto* accessible = dynamic_cast<CButtonAccessible*>(const_cast<wxWindow&>(window).GetAccessible());
    return accessible ? accessible->m_strName : window.GetLabel();
}

#else

void SetAccessibleButtonName(wxWindow&, const wxString&) {}

wxString GetAccessibleName(const wxWindow& window) { return window.GetLabel(); }

#endif
