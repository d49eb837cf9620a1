// The controls of the main window's dialog template (102): ids, kinds, texts
// and rectangles in dialog units, in template order (the order they are
// created in; the layout puts them into reading order for the Tab key).
#pragma once

#include <span>

#include <wx/gdicmn.h>

class wxWindow;

enum class TemplateKind {
    ImageButton,  // one of the eight image buttons (CSkinButtonType)
    PushButton,
    RadioButton,
    ListView,  // the file list (CMyListCtrl)
    Label,
    Edit,
    ProgressBar,
    Hyperlink,
    Frame,  // etched frame: the promotion panel's placeholder
};

struct TemplateControl {
    int id;
    TemplateKind kind;
    const wchar_t* text;
    int x, y, cx, cy;  // dialog units
    bool hidden;       // hidden until a run shows it
};

// Size of template 102 in dialog units.
inline constexpr int kMainTemplateWidth = 551;
inline constexpr int kMainTemplateHeight = 413;

// Every control of template 102, in template order.
std::span<const TemplateControl> MainDialogTemplate();

// The template entry for `id`, or nullptr.
const TemplateControl* FindTemplateControl(int id);

// A rectangle in dialog units converted to pixels with the font of `window`'s
// top-level parent.
wxRect DialogUnitsToPixels(const wxWindow* window, int x, int y, int cx, int cy);

// Creates every control of template 102 as a child of `parent`, in template
// order, at its template rectangle; the controls marked hidden are hidden.
void CreateTemplateControls(wxWindow* parent);
