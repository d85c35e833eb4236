#include "platform/windows/sendinput_keyboard.h"

#include <windows.h>

#include <optional>
#include <string>

namespace cardwedge {
namespace {

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
  const UINT sent = SendInput(static_cast<UINT>(inputs.size()), inputs.data(), sizeof(INPUT));
  if (sent != inputs.size()) {
    throw TypingError("the system refused the keyboard input (error " +
                      std::to_string(GetLastError()) + ")");
  }
}

}  // namespace cardwedge
