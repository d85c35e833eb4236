#pragma once

#include <windows.h>

namespace cardwedge {

// Dots per inch of the monitor a window is on (the system's when the program is not aware of
// monitors of different density).
int WindowDpi(HWND window);

// Twips to pixels: 1440 twips are one inch, so 15 twips are one pixel at 96 dpi.
inline int TwipsToPixels(int twips, int dpi) { return MulDiv(twips, dpi, 1440); }

// The system's message font for a window of the given density, at its own size or at
// `points` when that is above 0. The caller deletes it with DeleteObject.
HFONT CreateMessageFont(int dpi, int points);

}  // namespace cardwedge
