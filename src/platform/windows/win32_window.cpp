#include "platform/windows/win32_window.h"

#include <algorithm>
#include <stdexcept>
#include <vector>

#include "diagnostics/run_handler.h"
#include "platform/windows/wide_text.h"
#include "platform/windows/win32_container.h"
#include "platform/windows/win32_dpi.h"

namespace cardwedge {
namespace {

constexpr wchar_t kWindowClass[] = L"CardwedgeWindow";
constexpr DWORD kWindowStyle = WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN;
// Control identifiers start above those that dialog keys send (IDOK, IDCANCEL).
constexpr int kFirstControlId = 100;

ATOM RegisterWindowClass(WNDPROC procedure) {
  static const ATOM atom = [procedure] {
    WNDCLASSEXW windowClass{};
    windowClass.cbSize = sizeof(windowClass);
    windowClass.lpfnWndProc = procedure;
    windowClass.hInstance = GetModuleHandleW(nullptr);
    windowClass.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    windowClass.hIcon = LoadIconW(nullptr, IDI_APPLICATION);
    windowClass.lpszClassName = kWindowClass;
    return RegisterClassExW(&windowClass);
  }();
  return atom;
}

}  // namespace

// A minimized start creates the window minimized: its place and size at creation become the
// ones it is restored to. The window stays hidden until Show.
Win32Window::Win32Window(const WindowDeclaration& declaration, StartShow startShow)
    : startShow_(startShow), dpi_(ProgramDpi()) {
  RegisterWindowClass(WindowProc);
  RECT frame{0, 0, TwipsToPixels(declaration.clientWidth, dpi_),
             TwipsToPixels(declaration.clientHeight, dpi_)};
  AdjustWindowRectEx(&frame, kWindowStyle, FALSE, WS_EX_CONTROLPARENT);
  const DWORD style = kWindowStyle | (startShow == StartShow::kMinimized ? WS_MINIMIZE : 0);
  const std::wstring title = Widen(declaration.title);
  hwnd_ =
      CreateWindowExW(WS_EX_CONTROLPARENT, kWindowClass, title.c_str(), style,
                      TwipsToPixels(declaration.left, dpi_), TwipsToPixels(declaration.top, dpi_),
                      frame.right - frame.left, frame.bottom - frame.top, nullptr, nullptr,
                      GetModuleHandleW(nullptr), this);
  if (hwnd_ == nullptr) throw std::runtime_error("cannot create the window " + declaration.name);

  if (declaration.background) {
    const Rgb& colour = *declaration.background;
    background_ = CreateSolidBrush(RGB(colour.red, colour.green, colour.blue));
    SetBackground(hwnd_, background_);
  }

  int id = kFirstControlId;
  for (const ControlDeclaration& control : declaration.controls) {
    auto rendered = std::make_unique<Win32Control>(control, ParentWindow(control), dpi_, id++,
                                                   Font(control.fontPoints));
    const bool container =
        control.kind == ControlKind::kFrame || control.kind == ControlKind::kPictureBox;
    if (container && background_ != nullptr) SetBackground(rendered->hwnd(), background_);
    if (!controls_.emplace(control.name, std::move(rendered)).second) {
      throw std::logic_error("control declared twice: " + control.name);
    }
  }
  PutContainersBeneath(declaration);
  OrderTabStops(declaration);
}

// A frame or picture box lies beneath the controls beside it, as a backdrop: a control that
// overlaps its edge shows. Each new child window starts at the bottom, so this comes last.
void Win32Window::PutContainersBeneath(const WindowDeclaration& declaration) {
  for (const ControlDeclaration& control : declaration.controls) {
    if (control.kind == ControlKind::kFrame || control.kind == ControlKind::kPictureBox) {
      SetWindowPos(Get(control.name).hwnd(), HWND_BOTTOM, 0, 0, 0, 0,
                   SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    }
  }
}

Win32Window::~Win32Window() {
  SetWindowLongPtrW(hwnd_, GWLP_USERDATA, 0);
  DestroyWindow(hwnd_);
  for (const auto& [points, font] : fonts_) DeleteObject(font);
  if (background_ != nullptr) DeleteObject(background_);
}

bool Win32Window::IsDeclaredWindow(HWND window) {
  return window != nullptr && GetClassLongPtrW(window, GCW_ATOM) == RegisterWindowClass(WindowProc);
}

HWND Win32Window::ParentWindow(const ControlDeclaration& control) {
  if (control.parent.empty()) return hwnd_;
  const auto found = controls_.find(control.parent);
  if (found == controls_.end()) {
    throw std::logic_error(control.name + " names an undeclared parent " + control.parent);
  }
  return found->second->hwnd();
}

HFONT Win32Window::Font(int points) {
  HFONT& font = fonts_[points];
  if (font == nullptr) font = CreateMessageFont(dpi_, points);
  return font;
}

// Tab moves through the controls of one parent in their order among its child windows (declared
// order, containers last); the controls that declare a place in the tab order take the slots
// they hold among themselves.
void Win32Window::OrderTabStops(const WindowDeclaration& declaration) {
  std::map<std::string, std::vector<const ControlDeclaration*>> tabbedByParent;
  for (const ControlDeclaration& control : declaration.controls) {
    if (control.tabIndex >= 0) tabbedByParent[control.parent].push_back(&control);
  }
  for (auto& [parent, tabbed] : tabbedByParent) {
    HWND after = GetWindow(Get(tabbed.front()->name).hwnd(), GW_HWNDPREV);
    if (after == nullptr) after = HWND_TOP;
    std::stable_sort(tabbed.begin(), tabbed.end(),
                     [](const auto* a, const auto* b) { return a->tabIndex < b->tabIndex; });
    for (const ControlDeclaration* control : tabbed) {
      const HWND window = Get(control->name).hwnd();
      SetWindowPos(window, after, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
      after = window;
    }
  }
}

Win32Control& Win32Window::Get(std::string_view controlName) {
  const auto found = controls_.find(controlName);
  if (found == controls_.end()) {
    throw std::out_of_range("no control named " + std::string(controlName));
  }
  return *found->second;
}

void Win32Window::SetTitle(const std::string& title) {
  SetWindowTextW(hwnd_, Widen(title).c_str());
}

// Never activated, so the host keeps the focus, and never through ShowWindow: the first
// ShowWindow of a program ignores its command and takes the show state the launcher's STARTUPINFO
// asked for ("ShowWindow function", nCmdShow and Remarks; "STARTUPINFOW structure", wShowWindow),
// which may activate the window. SetWindowPos shows the window in the state it was created in,
// minimized or not.
void Win32Window::Show() {
  if (startShow_ == StartShow::kHidden) return;
  SetWindowPos(hwnd_, nullptr, 0, 0, 0, 0,
               SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_SHOWWINDOW);
  UpdateWindow(hwnd_);
}

void Win32Window::OnClose(std::function<void()> handler) { onClose_ = std::move(handler); }

LRESULT CALLBACK Win32Window::WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_NCCREATE) {
    const auto* create = reinterpret_cast<const CREATESTRUCTW*>(lParam);
    SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
  }
  auto* self = reinterpret_cast<Win32Window*>(GetWindowLongPtrW(window, GWLP_USERDATA));
  LRESULT result = 0;
  if (self != nullptr && HandleParentMessage(window, message, wParam, lParam, result)) {
    return result;
  }
  switch (message) {
    case WM_ERASEBKGND: {
      RECT client{};
      GetClientRect(window, &client);
      const HBRUSH brush = self != nullptr && self->background_ != nullptr
                               ? self->background_
                               : GetSysColorBrush(COLOR_BTNFACE);
      FillRect(reinterpret_cast<HDC>(wParam), &client, brush);
      return 1;
    }
    case WM_CLOSE:
      // The window stays; closing it is the handler's decision.
      if (self != nullptr && self->onClose_) RunHandler(self->onClose_);
      return 0;
    default:
      return DefWindowProcW(window, message, wParam, lParam);
  }
}

}  // namespace cardwedge
