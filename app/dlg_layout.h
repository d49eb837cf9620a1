// Sizes of the main window's resize layout (pixels).
#pragma once

// The window cannot be made smaller than this (outer size).
inline constexpr int kMinWindowWidth = 850;
inline constexpr int kMinWindowHeight = 650;

// The layout is computed for a client area of at least this size.
inline constexpr int kLayoutMinWidth = 800;
inline constexpr int kLayoutMinHeight = 600;
