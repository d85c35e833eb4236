#pragma once

#include <windows.h>

namespace cardwedge {

// Dots per inch the program's windows are laid out at, known before any window exists: the
// system's, as the manifest declares the program aware of the system's density, not of each
// monitor's.
int ProgramDpi();

// Twips to pixels: 1440 twips are one inch, so 15 twips are one pixel at 96 dpi.
inline int TwipsToPixels(int twips, int dpi) { return MulDiv(twips, dpi, 1440); }

// The system's message font for a window of the given density, at its own size or at
// `points` when that is above 0. The caller deletes it with DeleteObject.
HFONT CreateMessageFont(int dpi, int points);

}  // namespace cardwedge
