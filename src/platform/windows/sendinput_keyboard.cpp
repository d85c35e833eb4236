#include "platform/windows/sendinput_keyboard.h"

#include <windows.h>

#include <algorithm>
#include <optional>
#include <string>

namespace cardwedge {
namespace {

// A held Shift, Ctrl, Alt or Windows key is waited for this long, in steps; the window's events
// wait as long, which a person does not notice.
constexpr DWORD kModifierWaitMilliseconds = 500;
constexpr DWORD kModifierPollMilliseconds = 10;

struct LayoutKey {
  WORD virtualKey = 0;
  bool needsShift = false;  // the character sits at the shifted level of its key
};

// The layout of the thread that owns the foreground window, which gets the keys.
HKL FocusedLayout() {
  const HWND foreground = GetForegroundWindow();
  const DWORD thread = foreground ? GetWindowThreadProcessId(foreground, nullptr) : 0;
  return GetKeyboardLayout(thread);
}

// The character a virtual key of the typing plan stands for.
std::optional<wchar_t> CharacterOf(std::uint8_t virtualKey) {
  if (virtualKey >= '0' && virtualKey <= '9') return static_cast<wchar_t>(virtualKey);
  if (virtualKey >= 'A' && virtualKey <= 'Z') return static_cast<wchar_t>(virtualKey - 'A' + 'a');
  return std::nullopt;
}

// The key of the layout that types the virtual key's character, with Shift alone at most.
std::optional<LayoutKey> FindKey(std::uint8_t virtualKey, HKL layout) {
  if (virtualKey == kVkShift) return LayoutKey{VK_SHIFT, false};
  if (virtualKey == kVkReturn) return LayoutKey{VK_RETURN, false};
  const std::optional<wchar_t> character = CharacterOf(virtualKey);
  if (!character) return std::nullopt;
  const SHORT scan = VkKeyScanExW(*character, layout);
  if (scan == -1) return std::nullopt;
  const int modifiers = HIBYTE(scan);
  if ((modifiers & ~1) != 0) return std::nullopt;  // Ctrl or Alt (AltGr) would be needed
  return LayoutKey{LOBYTE(scan), modifiers == 1};
}

INPUT KeyInput(WORD virtualKey, bool down, HKL layout) {
  INPUT input{};
  input.type = INPUT_KEYBOARD;
  input.ki.wVk = virtualKey;
  input.ki.wScan = static_cast<WORD>(MapVirtualKeyExW(virtualKey, MAPVK_VK_TO_VSC, layout));
  input.ki.dwFlags = down ? 0 : KEYEVENTF_KEYUP;
  return input;
}

}  // namespace

void SendInputKeyboard::Send(const std::vector<KeyEvent>& events) {
  const HKL layout = FocusedLayout();

  // Map the whole sequence before the first key goes out.
  std::vector<LayoutKey> keys;
  keys.reserve(events.size());
  for (const KeyEvent& event : events) {
    const std::optional<LayoutKey> key = FindKey(event.virtualKey, layout);
    if (!key) {
      throw NoKeyOnLayout(event.virtualKey);
    }
    keys.push_back(*key);
  }

  std::vector<INPUT> inputs;
  inputs.reserve(events.size() * 2);
  bool planShiftHeld = false;
  for (std::size_t i = 0; i < events.size(); ++i) {
    const KeyEvent& event = events[i];
    const LayoutKey& key = keys[i];
    if (event.virtualKey == kVkShift) planShiftHeld = event.down;
    const bool addShift = key.needsShift && !planShiftHeld;
    if (addShift && event.down) inputs.push_back(KeyInput(VK_SHIFT, true, layout));
    inputs.push_back(KeyInput(key.virtualKey, event.down, layout));
    if (addShift && !event.down) inputs.push_back(KeyInput(VK_SHIFT, false, layout));
  }
  if (inputs.empty()) return;
  CheckFocusedWindow();
  const bool hasLetters = std::ranges::any_of(events, [](const KeyEvent& event) {
    return event.virtualKey >= 'A' && event.virtualKey <= 'Z';
  });
  if (hasLetters && input_.CapsLockOn()) {
    throw TypingError(
        "Caps Lock is on, which would type the letters in the other case: turn it off and lay "
        "the card again",
        TypingError::Cause::kCapsLock);
  }
  WaitForModifiersUp();
  SendAll(inputs);
}

void SendInputKeyboard::CheckFocusedWindow() {
  using Cause = TypingError::Cause;
  switch (input_.ForegroundIntegrity()) {
    case ForegroundInput::Integrity::kHigher:
      throw TypingError(
          "the focused program runs at a higher integrity level than cardwedge (as "
          "administrator), and Windows drops keys sent to it: start cardwedge from the host",
          Cause::kElevatedProgram);
    case ForegroundInput::Integrity::kUnreadable:
      throw TypingError(
          "the integrity level of the focused program cannot be read: it may run as "
          "administrator, where Windows drops keys sent to it; start cardwedge from the host",
          Cause::kElevatedProgram);
    case ForegroundInput::Integrity::kNotHigher:
      break;
  }
  switch (JudgeInputMethod(input_.FocusedWindow())) {
    case InputMethodState::kOn:
      throw TypingError(
          "the input method (IME) of the focused window is on and would take the digits: "
          "turn it off (半角/全角) and lay the card again",
          Cause::kInputMethod);
    case InputMethodState::kNoAnswer:
      throw TypingError("the focused window did not answer whether its input method (IME) is on",
                        Cause::kInputMethodUnknown);
    case InputMethodState::kNoForegroundWindow:
      throw TypingError("no window is in the foreground to take the keys",
                        Cause::kInputMethodUnknown);
    case InputMethodState::kNoImeWindow:
      throw TypingError(
          "the focused window has no input method (IME) window to tell whether the IME is on",
          Cause::kInputMethodUnknown);
    case InputMethodState::kTextServicesField:
      throw TypingError(
          "the focused program (a browser, Office, or a Windows Store app) does not tell whether "
          "its input method (IME) is on, which would take the digits: type into the host",
          Cause::kInputMethodUnknown);
    case InputMethodState::kOff:
      break;
  }
}

void SendInputKeyboard::WaitForModifiersUp() {
  for (DWORD waited = 0; input_.ModifierHeld(); waited += kModifierPollMilliseconds) {
    if (waited >= kModifierWaitMilliseconds) {
      throw TypingError(
          "Shift, Ctrl, Alt or the Windows key is held down, which would turn the digits into "
          "symbols or shortcuts",
          TypingError::Cause::kKeysHeld);
    }
    input_.Pause(kModifierPollMilliseconds);
  }
}

// A sequence the system takes only in part leaves no key pressed: each key whose press went out
// without its release is released.
void SendInputKeyboard::SendAll(std::vector<INPUT>& inputs) {
  const UINT sent = input_.Send(inputs);
  if (sent == inputs.size()) return;
  const DWORD error = input_.LastError();
  std::vector<INPUT> releases;  // of the keys pressed and not released yet, last pressed first
  for (UINT i = 0; i < sent; ++i) {
    INPUT release = inputs[i];
    release.ki.dwFlags |= KEYEVENTF_KEYUP;
    std::erase_if(releases, [&](const INPUT& r) { return r.ki.wVk == release.ki.wVk; });
    if ((inputs[i].ki.dwFlags & KEYEVENTF_KEYUP) == 0) releases.insert(releases.begin(), release);
  }
  if (!releases.empty()) input_.Send(releases);
  throw TypingError("the system took " + std::to_string(sent) + " of " +
                    std::to_string(inputs.size()) + " key events (error " + std::to_string(error) +
                    "): the value is not typed whole");
}

}  // namespace cardwedge
