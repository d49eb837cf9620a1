// Colours and measures of the main window's skin (pixels).
#pragma once

#include <wx/colour.h>

// The light background given to the controls on the options panel and
// behind the convert buttons' pictures.
inline wxColour SkinPanelColour() { return wxColour(247, 251, 255); }

// The banner's height, and the width of the strips between the pieces.
inline constexpr int kBannerHeight = 87;
inline constexpr int kStripWidth = 5;
