// The open-file dialog's wildcard from the engine's filter.
#pragma once

#include <string>

#include <wx/string.h>

// Turns a filter of label/pattern pairs, each ended by a NUL ("Files
// (*.mobi)\0*.mobi\0\0"), into a wx wildcard ("Files (*.mobi)|*.mobi").
// Where file names are case-sensitive every pattern is offered in lower,
// upper and capitalised spelling, so Book.MOBI can be picked too.
wxString MakeFileDialogWildcard(const std::wstring& filter);
