// The program's pictures by resource id: button faces (Png), the window skin
// and the side-panel picture (Bitmap) and the application icon (Icon). They
// are compiled into the program; every one is a PNG file.
#pragma once

#include <span>

#if defined(_WIN32) && defined(FindResource)
// <windows.h> maps FindResource to FindResourceA/W, which would rename ours.
// Include this header after any header that brings in <windows.h>.
#undef FindResource
#endif

enum class ResourceKind { Png, Bitmap, Icon };

// Resource id of the application icon and its sizes, smallest first.
inline constexpr int kAppIconId = 271;
inline constexpr int kAppIconSizes[] = {16, 32, 48, 64, 128, 256};

// Bytes of the resource of that kind and id (PNG file bytes for all kinds;
// for Icon the id is 271 and `size` picks the square size), or an empty span
// when there is none.
std::span<const unsigned char> FindResource(ResourceKind kind, int id, int size = 0);
