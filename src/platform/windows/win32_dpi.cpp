#include "platform/windows/win32_dpi.h"

namespace cardwedge {

// For a program aware of the system's density, the screen's device context answers it.
int ProgramDpi() {
  const HDC screen = GetDC(nullptr);
  const int dpi = GetDeviceCaps(screen, LOGPIXELSY);
  ReleaseDC(nullptr, screen);
  return dpi > 0 ? dpi : USER_DEFAULT_SCREEN_DPI;
}

HFONT CreateMessageFont(int dpi, int points) {
  NONCLIENTMETRICSW metrics{};
  metrics.cbSize = sizeof(metrics);
  LOGFONTW font{};
  if (SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof(metrics), &metrics, 0)) {
    font = metrics.lfMessageFont;
    // The system gives the font at the screen's density.
    font.lfHeight = MulDiv(font.lfHeight, dpi, ProgramDpi());
  } else {
    font.lfHeight = -MulDiv(9, dpi, 72);
    font.lfCharSet = DEFAULT_CHARSET;
  }
  if (points > 0) font.lfHeight = -MulDiv(points, dpi, 72);
  return CreateFontIndirectW(&font);
}

}  // namespace cardwedge
