// The program's compiled-in pictures decoded for wxWidgets.
#pragma once

#include <wx/bitmap.h>
#include <wx/iconbndl.h>
#include <wx/image.h>

// Button face `id` (143 to 165, 189), with its alpha channel; an invalid
// image when there is no such picture.
wxImage LoadPngImage(int id);

// Skin picture `id` (141, 191 to 194, 197, 218) as an image without alpha;
// an invalid image when there is none. Needs no display.
wxImage LoadSkinImage(int id);

// The same as a bitmap, ready for painting; an invalid bitmap when missing.
wxBitmap LoadSkinBitmap(int id);

// The application icon at one of its sizes (kAppIconSizes), with alpha; an
// invalid image for any other size.
wxImage LoadAppIconImage(int size);

// The application icon at every size it is drawn at (16 to 256 pixels).
wxIconBundle LoadAppIcons();
