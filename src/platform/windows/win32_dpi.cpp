#include "platform/windows/win32_dpi.h"

namespace cardwedge {
namespace {

using GetDpiForWindowFunction = UINT(WINAPI*)(HWND);

// GetDpiForWindow exists from Windows 10 1607 on; older systems have one density for all.
GetDpiForWindowFunction LoadGetDpiForWindow() {
  const HMODULE user32 = GetModuleHandleW(L"user32.dll");
  if (user32 == nullptr) return nullptr;
  const FARPROC entry = GetProcAddress(user32, "GetDpiForWindow");
  return reinterpret_cast<GetDpiForWindowFunction>(reinterpret_cast<void (*)()>(entry));
}

int ScreenDpi() {
  const HDC screen = GetDC(nullptr);
  const int dpi = GetDeviceCaps(screen, LOGPIXELSY);
  ReleaseDC(nullptr, screen);
  return dpi > 0 ? dpi : USER_DEFAULT_SCREEN_DPI;
}

}  // namespace

int WindowDpi(HWND window) {
  static const GetDpiForWindowFunction getDpiForWindow = LoadGetDpiForWindow();
  if (getDpiForWindow != nullptr) {
    const UINT dpi = getDpiForWindow(window);
    if (dpi > 0) return static_cast<int>(dpi);
  }
  return ScreenDpi();
}

HFONT CreateMessageFont(int dpi, int points) {
  NONCLIENTMETRICSW metrics{};
  metrics.cbSize = sizeof(metrics);
  LOGFONTW font{};
  if (SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof(metrics), &metrics, 0)) {
    font = metrics.lfMessageFont;
    // The system gives the font at the screen's density.
    font.lfHeight = MulDiv(font.lfHeight, dpi, ScreenDpi());
  } else {
    font.lfHeight = -MulDiv(9, dpi, 72);
    font.lfCharSet = DEFAULT_CHARSET;
  }
  if (points > 0) font.lfHeight = -MulDiv(points, dpi, 72);
  return CreateFontIndirectW(&font);
}

}  // namespace cardwedge
