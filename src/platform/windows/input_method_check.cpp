#include "platform/windows/input_method_check.h"

#include <algorithm>
#include <string_view>

namespace cardwedge {
namespace {

// Window classes, or the start of them, of programs whose text fields compose through the Text
// Services Framework.
constexpr std::wstring_view kTextServicesClasses[] = {
    L"ApplicationFrameWindow",        // UWP and WinUI apps: the frame, in a process of its own
    L"Windows.UI.Core.CoreWindow",    // UWP: the window that owns the field
    L"WinUIDesktopWin32WindowClass",  // WinUI 3 desktop apps
    L"Chrome_",                       // Chrome, Edge and other Chromium-based programs
    L"MozillaWindowClass",            // Firefox
    L"HwndWrapper[",                  // WPF
    L"OpusApp",                       // Word
    L"XLMAIN",                        // Excel
    L"PPTFrameClass",                 // PowerPoint
    L"rctrl_renwnd32",                // Outlook
};

bool ComposesThroughTextServices(const std::wstring& className) {
  return std::ranges::any_of(kTextServicesClasses, [&](std::wstring_view prefix) {
    return className.starts_with(prefix);
  });
}

}  // namespace

InputMethodState JudgeInputMethod(const FocusedWindowFacts& facts) {
  if (!facts.foregroundExists) return InputMethodState::kNoForegroundWindow;
  if (std::ranges::any_of(facts.classNames, ComposesThroughTextServices)) {
    return InputMethodState::kTextServicesField;
  }
  if (!facts.imeWindowFound) return InputMethodState::kNoImeWindow;
  if (!facts.imeOpen) return InputMethodState::kNoAnswer;
  return *facts.imeOpen ? InputMethodState::kOn : InputMethodState::kOff;
}

}  // namespace cardwedge
