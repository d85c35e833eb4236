#include "roster/typing.h"

#include <chrono>
#include <string>
#include <thread>

#include "diagnostics/diagnostics.h"
#include "roster/read_rules.h"

namespace cardwedge {
namespace {

// How long this program steps aside for the window receiving a value once its keys are sent: on a
// busy machine, what this program does next (a repaint, the card's power-down, which wakes the
// smart-card service and the reader's driver) would otherwise run first while the keys wait.
constexpr auto kReceiverFirst = std::chrono::milliseconds(1);

constexpr std::string_view kLetters = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ";

void AddKey(std::vector<KeyEvent>& events, std::uint8_t virtualKey) {
  events.push_back({virtualKey, true});
  events.push_back({virtualKey, false});
}

// The whole text is named rather than the byte, which may be part of a multi-byte character.
void AddDigit(std::vector<KeyEvent>& events, char c, std::string_view text) {
  if (c < '0' || c > '9') {
    throw TypingError(
        "cannot type \"" + std::string(text) + "\": it holds a character that has no key",
        TypingError::Cause::kNoKey);
  }
  AddKey(events, static_cast<std::uint8_t>(c));  // the digit keys are 0x30 to 0x39
}

}  // namespace

std::vector<KeyEvent> PlanDigits(std::string_view text) {
  std::vector<KeyEvent> events;
  events.reserve(text.size() * 2 + 2);
  for (char c : text) AddDigit(events, c, text);
  AddKey(events, kVkReturn);
  return events;
}

std::vector<KeyEvent> PlanText(std::string_view text) {
  std::vector<KeyEvent> events;
  events.reserve(text.size() * 4 + 2);
  for (char c : text) {
    const std::size_t p = kLetters.find(c);
    if (p == std::string_view::npos) {
      AddDigit(events, c, text);
    } else if (p < 26) {
      AddKey(events, static_cast<std::uint8_t>('A' + p));
    } else {
      events.push_back({kVkShift, true});
      AddKey(events, static_cast<std::uint8_t>('A' + p - 26));
      events.push_back({kVkShift, false});
    }
  }
  AddKey(events, kVkReturn);
  return events;
}

void ReportNotTyped(Platform& platform, const TypingError& error) {
  Diagnose(std::string("a value could not be typed: ") + error.what());
  PlaySoundIfPresent(platform, kWarningSoundName);
}

Typist::Typist(Platform& platform, DigitsYield digitsYield)
    : platform_(platform), digitsYield_(digitsYield) {}

void Typist::CheckFocus() {
  try {
    RefuseUnlessSessionAtDesk();
    RefuseIfOwnWindowActive();
    platform_.keyboard.CheckFocusedWindow();
  } catch (const TypingError& error) {
    ReportNotTyped(platform_, error);
    throw;
  }
}

// Keys sent while the session is locked or disconnected reach no window of the host, and the
// system does not say so: they would count as typed and be lost.
void Typist::RefuseUnlessSessionAtDesk() {
  switch (platform_.session.State()) {
    case SessionState::kAtDesk:
      return;
    case SessionState::kLocked:
      throw TypingError("the screen is locked", TypingError::Cause::kSessionLocked);
    case SessionState::kAway:
      throw TypingError(
          "this session is not at the desk (another user has the console, or the remote "
          "desktop left)",
          TypingError::Cause::kSessionAway);
    case SessionState::kUnknown:
      break;
  }
  throw TypingError("whether the screen is locked cannot be told",
                    TypingError::Cause::kSessionUnknown);
}

void Typist::RefuseIfOwnWindowActive() {
  if (platform_.toolkit.OwnWindowActive()) {
    throw TypingError(
        "a window of cardwedge is active: click the host's field and lay the card again",
        TypingError::Cause::kOwnWindow);
  }
}

void Typist::TypeDigits(std::string_view text) {
  Type(text, PlanDigits, digitsYield_ == DigitsYield::kYieldFirst);
}

void Typist::TypeText(std::string_view text) { Type(text, PlanText, true); }

void Typist::Type(std::string_view text, std::vector<KeyEvent> (*plan)(std::string_view),
                  bool yield) {
  try {
    const std::vector<KeyEvent> events = plan(text);
    if (yield) platform_.toolkit.DoEvents();
    RefuseUnlessSessionAtDesk();
    RefuseIfOwnWindowActive();
    platform_.keyboard.Send(events);  // Send checks the focused window itself
    std::this_thread::sleep_for(kReceiverFirst);
  } catch (const TypingError& error) {
    ReportNotTyped(platform_, error);
    throw;
  }
}

}  // namespace cardwedge
