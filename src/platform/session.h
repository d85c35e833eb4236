#pragma once

namespace cardwedge {

// Whether keys sent now would reach this session's desktop.
enum class SessionState {
  kAtDesk,   // connected, at the console or through a remote desktop, and unlocked
  kLocked,   // the screen is locked: keys go to the lock screen
  kAway,     // disconnected: another session has the console (fast user switching), or the
             // remote desktop connection left
  kUnknown,  // the system does not tell this program (it could not ask to be told)
};

// The session the program runs in.
class Session {
 public:
  virtual ~Session() = default;
  // Where the session stands now; never blocks.
  virtual SessionState State() = 0;
};

// A session always at its desk: a system whose locked or switched desktop the program cannot see
// (Linux: the X display the keys go to is the one the program was started on).
class SessionAlwaysAtDesk : public Session {
 public:
  SessionState State() override { return SessionState::kAtDesk; }
};

}  // namespace cardwedge
