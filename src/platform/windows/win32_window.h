#pragma once

#include <windows.h>

#include <functional>
#include <map>
#include <memory>
#include <string>

#include "platform/toolkit.h"
#include "platform/windows/start_show.h"
#include "platform/windows/win32_control.h"

namespace cardwedge {

// A declared window as a top-level Win32 window, its geometry scaled from twips by the
// monitor's density and its texts in the system's message font. Show follows the start state.
class Win32Window : public Window {
 public:
  Win32Window(const WindowDeclaration& declaration, StartShow startShow);
  ~Win32Window() override;
  Win32Window(const Win32Window&) = delete;
  Win32Window& operator=(const Win32Window&) = delete;

  // Whether a top-level window is one of the declared windows.
  static bool IsDeclaredWindow(HWND window);

  HWND hwnd() const { return hwnd_; }
  int dpi() const { return dpi_; }

  Win32Control& Get(std::string_view controlName) override;
  void SetTitle(const std::string& title) override;
  void Show() override;
  void OnClose(std::function<void()> handler) override;

 private:
  static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  HFONT Font(int points);
  HWND ParentWindow(const ControlDeclaration& control);
  void PutContainersBeneath(const WindowDeclaration& declaration);
  void OrderTabStops(const WindowDeclaration& declaration);

  StartShow startShow_;
  int dpi_;
  HWND hwnd_ = nullptr;
  HBRUSH background_ = nullptr;
  std::map<int, HFONT> fonts_;  // by point size, 0 for the system's own
  std::map<std::string, std::unique_ptr<Win32Control>, std::less<>> controls_;
  std::function<void()> onClose_;
};

}  // namespace cardwedge
