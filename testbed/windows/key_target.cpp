// The window a user's application would be, on Windows: it takes the foreground and the
// keyboard focus, and reports on stdout, flushed at once, every character its edit control
// receives (WM_CHAR), so a test in another process reads exactly what arrived.

#include <fcntl.h>
#include <io.h>
#include <windows.h>

#include <cstdio>
#include <iostream>
#include <string>
#include <thread>

#include "key_text.h"

namespace {

using cardwedge::testbed::Escape;

constexpr const char kUsage[] =
    "usage: key_target [--title T]\n"
    "stdin:  quit\n"
    "stdout: ready | char <text> | line <text> | focus in | focus out | closed\n"
    "  ready once the window is in the foreground with the focus in its edit control;\n"
    "  char for every character, line with the characters since the last one at each Return;\n"
    "  text: '-' when empty; \\n for Return, \\t, \\\\ and \\xHH escape other bytes (UTF-8)\n";

constexpr UINT_PTR kFocusTimer = 1;
constexpr UINT kFocusCheckMilliseconds = 10;

HWND main_window;
HWND edit_control;
WNDPROC edit_procedure;
std::string current_line;
wchar_t high_surrogate = 0;

void Emit(const std::string& event) {
  std::fputs((event + "\n").c_str(), stdout);
  std::fflush(stdout);
}

std::string ToUtf8(const wchar_t* text, int length) {
  const int size = WideCharToMultiByte(CP_UTF8, 0, text, length, nullptr, 0, nullptr, nullptr);
  std::string utf8(static_cast<std::size_t>(size), '\0');
  WideCharToMultiByte(CP_UTF8, 0, text, length, utf8.data(), size, nullptr, nullptr);
  return utf8;
}

void OnCharacter(wchar_t unit) {
  if (IS_HIGH_SURROGATE(unit)) {
    high_surrogate = unit;
    return;
  }
  const wchar_t pair[2] = {high_surrogate, unit};
  const bool completes_pair = IS_LOW_SURROGATE(unit) && high_surrogate != 0;
  high_surrogate = 0;
  const std::string text = completes_pair ? ToUtf8(pair, 2) : ToUtf8(&unit, 1);
  Emit("char " + Escape(text));
  if (unit == L'\r') {
    Emit("line " + Escape(current_line));
    current_line.clear();
  } else {
    current_line += text;
  }
}

LRESULT CALLBACK EditProcedure(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  switch (message) {
    case WM_CHAR:
      OnCharacter(static_cast<wchar_t>(wparam));
      break;
    case WM_SETFOCUS:
      Emit("focus in");
      break;
    case WM_KILLFOCUS:
      Emit("focus out");
      break;
  }
  return CallWindowProcW(edit_procedure, window, message, wparam, lparam);
}

bool HasFocus() { return GetForegroundWindow() == main_window && GetFocus() == edit_control; }

void TakeFocus() {
  SetForegroundWindow(main_window);
  SetFocus(edit_control);
}

LRESULT CALLBACK WindowProcedure(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  switch (message) {
    case WM_TIMER:
      if (wparam != kFocusTimer) break;
      if (HasFocus()) {
        KillTimer(window, kFocusTimer);
        Emit("ready");
      } else {
        TakeFocus();
      }
      return 0;
    case WM_SETFOCUS:
      // Activated again (a test brings it back to the foreground): the edit control gets the keys.
      SetFocus(edit_control);
      return 0;
    case WM_SIZE:
      MoveWindow(edit_control, 0, 0, LOWORD(lparam), HIWORD(lparam), TRUE);
      return 0;
    case WM_DESTROY:
      PostQuitMessage(0);
      return 0;
  }
  return DefWindowProcW(window, message, wparam, lparam);
}

std::wstring Widen(const std::string& text) {
  const int size =
      MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
  std::wstring wide(static_cast<std::size_t>(size), L'\0');
  MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), wide.data(), size);
  return wide;
}

bool CreateWindows(const std::wstring& title) {
  const HINSTANCE instance = GetModuleHandleW(nullptr);
  WNDCLASSW window_class{};
  window_class.lpfnWndProc = WindowProcedure;
  window_class.hInstance = instance;
  window_class.hCursor = LoadCursor(nullptr, IDC_ARROW);
  window_class.lpszClassName = L"KeyTarget";
  if (RegisterClassW(&window_class) == 0) return false;
  main_window = CreateWindowW(L"KeyTarget", title.c_str(), WS_OVERLAPPEDWINDOW | WS_VISIBLE, 40, 40,
                              640, 240, nullptr, nullptr, instance, nullptr);
  if (main_window == nullptr) return false;
  edit_control =
      CreateWindowW(L"EDIT", L"", WS_CHILD | WS_VISIBLE | ES_MULTILINE | ES_WANTRETURN | WS_VSCROLL,
                    0, 0, 640, 240, main_window, nullptr, instance, nullptr);
  if (edit_control == nullptr) return false;
  edit_procedure = reinterpret_cast<WNDPROC>(
      SetWindowLongPtrW(edit_control, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(EditProcedure)));
  ShowWindow(main_window, SW_SHOW);
  UpdateWindow(main_window);
  TakeFocus();
  SetTimer(main_window, kFocusTimer, kFocusCheckMilliseconds, nullptr);
  return true;
}

// Closes the window when "quit" arrives on stdin; the end of stdin changes nothing.
void WatchCommands() {
  std::string command;
  while (std::getline(std::cin, command)) {
    if (!command.empty() && command.back() == '\r') command.pop_back();
    if (command == "quit") PostMessageW(main_window, WM_CLOSE, 0, 0);
  }
}

}  // namespace

int main(int argc, char** argv) {
  _setmode(_fileno(stdout), _O_BINARY);
  std::string title = "key target";
  for (int i = 1; i < argc; ++i) {
    const std::string argument = argv[i];
    if (argument == "--title" && i + 1 < argc) {
      title = argv[++i];
    } else {
      std::fputs(kUsage, stderr);
      return 2;
    }
  }
  if (!CreateWindows(Widen(title))) {
    std::fprintf(stderr, "key_target: cannot create the window (error %lu)\n", GetLastError());
    return 1;
  }
  std::thread(WatchCommands).detach();
  MSG message;
  while (GetMessageW(&message, nullptr, 0, 0) > 0) {
    TranslateMessage(&message);
    DispatchMessageW(&message);
  }
  Emit("closed");
  return 0;
}
