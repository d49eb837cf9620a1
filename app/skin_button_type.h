// The type of the main window's eight image buttons. Plain buttons for now;
// the skinned button takes their place here and nowhere else.
#pragma once

#include <wx/button.h>

using CSkinButtonType = wxButton;
