#include "platform/windows/win32_container.h"

#include <string>

#include "platform/windows/win32_control.h"

namespace cardwedge {
namespace {

constexpr wchar_t kBackgroundProperty[] = L"cardwedge.background";
constexpr wchar_t kFontProperty[] = L"cardwedge.font";

HBRUSH Background(HWND window) {
  const auto brush = static_cast<HBRUSH>(GetPropW(window, kBackgroundProperty));
  return brush != nullptr ? brush : GetSysColorBrush(COLOR_BTNFACE);
}

// The caption at the top left, interrupting an etched border, as a group box draws it.
void PaintFrame(HWND frame, HDC dc) {
  RECT client{};
  GetClientRect(frame, &client);
  const auto font = static_cast<HFONT>(GetPropW(frame, kFontProperty));
  const HGDIOBJ previousFont = font != nullptr ? SelectObject(dc, font) : nullptr;
  TEXTMETRICW metrics{};
  GetTextMetricsW(dc, &metrics);

  RECT border = client;
  border.top += metrics.tmHeight / 2;
  DrawEdge(dc, &border, EDGE_ETCHED, BF_RECT);

  const int length = GetWindowTextLengthW(frame);
  if (length > 0) {
    std::wstring caption(static_cast<std::size_t>(length) + 1, L'\0');
    GetWindowTextW(frame, caption.data(), length + 1);
    caption.resize(static_cast<std::size_t>(length));
    RECT text{metrics.tmAveCharWidth, 0, client.right - metrics.tmAveCharWidth, metrics.tmHeight};
    DrawTextW(dc, caption.c_str(), length, &text, DT_SINGLELINE | DT_NOPREFIX | DT_CALCRECT);
    const int padding = metrics.tmAveCharWidth / 2;
    RECT gap{text.left - padding, text.top, text.right + padding, text.bottom};
    FillRect(dc, &gap, Background(frame));
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, GetSysColor(IsWindowEnabled(frame) ? COLOR_WINDOWTEXT : COLOR_GRAYTEXT));
    DrawTextW(dc, caption.c_str(), length, &text, DT_SINGLELINE | DT_NOPREFIX);
  }
  if (previousFont != nullptr) SelectObject(dc, previousFont);
}

LRESULT CALLBACK ContainerProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  LRESULT result = 0;
  if (HandleParentMessage(window, message, wParam, lParam, result)) return result;
  switch (message) {
    case WM_ERASEBKGND: {
      RECT client{};
      GetClientRect(window, &client);
      FillRect(reinterpret_cast<HDC>(wParam), &client, Background(window));
      return 1;
    }
    case WM_PAINT: {
      PAINTSTRUCT paint{};
      const HDC dc = BeginPaint(window, &paint);
      if ((GetWindowLongPtrW(window, GWL_STYLE) & kFrameStyle) != 0) PaintFrame(window, dc);
      EndPaint(window, &paint);
      return 0;
    }
    case WM_SETFONT:
      SetPropW(window, kFontProperty, reinterpret_cast<HANDLE>(wParam));
      if (LOWORD(lParam) != 0) InvalidateRect(window, nullptr, TRUE);
      return 0;
    case WM_GETFONT:
      return reinterpret_cast<LRESULT>(GetPropW(window, kFontProperty));
    case WM_SETTEXT:
      result = DefWindowProcW(window, message, wParam, lParam);
      InvalidateRect(window, nullptr, TRUE);
      return result;
    case WM_ENABLE:
      InvalidateRect(window, nullptr, TRUE);
      return 0;
    case WM_NCDESTROY:
      RemovePropW(window, kFontProperty);
      RemovePropW(window, kBackgroundProperty);
      break;
    default:
      break;
  }
  return DefWindowProcW(window, message, wParam, lParam);
}

}  // namespace

void RegisterContainerClass() {
  static const ATOM atom = [] {
    WNDCLASSEXW windowClass{};
    windowClass.cbSize = sizeof(windowClass);
    windowClass.lpfnWndProc = ContainerProc;
    windowClass.hInstance = GetModuleHandleW(nullptr);
    windowClass.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    windowClass.lpszClassName = kContainerClass;
    return RegisterClassExW(&windowClass);
  }();
  (void)atom;
}

void SetBackground(HWND parent, HBRUSH brush) { SetPropW(parent, kBackgroundProperty, brush); }

bool HandleParentMessage(HWND parent, UINT message, WPARAM wParam, LPARAM lParam,
                         LRESULT& result) {
  const auto child = reinterpret_cast<HWND>(lParam);
  switch (message) {
    case WM_COMMAND:
      if (HIWORD(wParam) != BN_CLICKED) return false;
      if (Win32Control* control = Win32Control::FromWindow(child)) control->Clicked();
      result = 0;
      return true;
    case WM_CTLCOLORSTATIC: {
      const Win32Control* control = Win32Control::FromWindow(child);
      if (control == nullptr || (control->kind() != ControlKind::kLabel &&
                                 control->kind() != ControlKind::kCheckBox)) {
        return false;
      }
      SetBkMode(reinterpret_cast<HDC>(wParam), TRANSPARENT);
      result = reinterpret_cast<LRESULT>(Background(parent));
      return true;
    }
    default:
      return false;
  }
}

}  // namespace cardwedge
