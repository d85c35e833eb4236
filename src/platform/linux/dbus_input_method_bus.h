#pragma once

#include <QString>
#include <chrono>
#include <condition_variable>
#include <future>
#include <memory>
#include <mutex>
#include <optional>

#include "platform/linux/input_method_keyboard.h"
#include "platform/linux/input_method_state.h"

namespace cardwedge {

// The frameworks asked over Qt's D-Bus module: fcitx5 on the session bus
// (DBUS_SESSION_BUS_ADDRESS, else $XDG_RUNTIME_DIR/bus), IBus on the bus its daemon serves for
// this display (IBUS_ADDRESS, else the address in its bus file). Each call waits at most
// kCallTimeoutMs; a connection that was lost is made anew at the next call. Needs a
// QCoreApplication.
class DbusInputMethodBus : public InputMethodBus {
 public:
  static constexpr int kCallTimeoutMs = 200;

  BusAnswer<bool> FcitxRunning() override;
  BusAnswer<int> FcitxState() override;
  BusAnswer<std::string> FcitxInputMethod() override;
  BusAnswer<bool> IbusRunning() override;
  BusAnswer<std::string> IbusGlobalEngine() override;

 private:
  QString ibusAddress_;
};

// The session's input method as the program asks it: over D-Bus, with the hints of the
// environment it started in, on a thread of its own that answers one question at a time and
// stays for the next (a thread started at each card would cost that card its start). A call's
// time-out does not cover connecting: a bus that accepts the connection and then never greets (a
// stopped daemon, or one that will not let this user in) holds the asking thread for libdbus's
// 25 seconds. So the answer is waited for kSessionQueryDeadline, after which it is unknown; a
// question still open then is waited for as long again before the next one is asked. A question
// asked ahead, when a card comes, answers the checks before and during its value's typing while
// it is at most kAskedAheadServesFor old: reading a card and typing its value take a few
// milliseconds, and an older answer may no longer hold.
inline constexpr std::chrono::milliseconds kSessionQueryDeadline{1000};
class SessionInputMethod : public InputMethodKeyboard::Query {
 public:
  static constexpr std::chrono::milliseconds kAskedAheadServesFor{100};

  SessionInputMethod();
  ~SessionInputMethod() override;
  SessionInputMethod(const SessionInputMethod&) = delete;
  SessionInputMethod& operator=(const SessionInputMethod&) = delete;

  void AskAhead() override;
  InputMethodState Answer() override;

 private:
  void Ask();
  // The open question's answer; unknown when it does not come in time.
  InputMethodState TakeAnswer();

  // What the asking thread shares with this object; the thread may outlive it, held up by a bus
  // that never greets.
  struct Asker {
    std::mutex mutex;
    std::condition_variable changed;
    std::optional<std::promise<InputMethodState>> question;
    bool ended = false;
  };
  std::shared_ptr<Asker> asker_ = std::make_shared<Asker>();
  // The last question whose answer was not taken yet.
  std::future<InputMethodState> question_;
  std::optional<std::chrono::steady_clock::time_point> askedAheadAt_;
  std::optional<InputMethodState> aheadAnswer_;
};

}  // namespace cardwedge
