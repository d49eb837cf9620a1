// GTK: the name and role go to the window's ATK object, which screen readers
// reach through AT-SPI; wx sets neither for a window of its own. The ATK
// functions come with GTK, which wx has loaded: they are looked up at run
// time, so the build needs no GTK headers.
#include "accessible_name.h"

#include <dlfcn.h>

#include <wx/window.h>

namespace {

using GetAccessible = void* (*)(void* widget);
using SetName = void (*)(void* atk, const char* name);
using GetName = const char* (*)(void* atk);
using RoleForName = int (*)(const char* name);
using SetRole = void (*)(void* atk, int role);

template <class F>
F Lookup(const char* name)
{
    return reinterpret_cast<F>(dlsym(RTLD_DEFAULT, name));
}

void* AccessibleOf(const wxWindow& window)
{
    static const auto getAccessible = Lookup<GetAccessible>("gtk_widget_get_accessible");
    void* widget = window.GetHandle();
    return getAccessible && widget ? getAccessible(widget) : nullptr;
}

}  // namespace

void SetAccessibleButtonName(wxWindow& window, const wxString& name)
{
    static const auto setName = Lookup<SetName>("atk_object_set_name");
    static const auto roleForName = Lookup<RoleForName>("atk_role_for_name");
    static const auto setRole = Lookup<SetRole>("atk_object_set_role");
    void* atk = AccessibleOf(window);
    if (!atk)
        return;
    if (setName)
        setName(atk, name.utf8_str());
    if (roleForName && setRole) {
        if (const int role = roleForName("push button"))  // 0: ATK_ROLE_INVALID
            setRole(atk, role);
    }
}

wxString GetAccessibleName(const wxWindow& window)
{
    static const auto getName = Lookup<GetName>("atk_object_get_name");
    void* atk = AccessibleOf(window);
    const char* name = atk && getName ? getName(atk) : nullptr;
    return name ? wxString::FromUTF8(name) : wxString();
}
