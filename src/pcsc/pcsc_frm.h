#pragma once

#include <memory>

#include "platform/platform.h"
#include "roster/host_watch.h"
#include "roster/roster.h"
#include "startup/program_state.h"

namespace cardwedge {

// The PC/SC reader window.
class PCSCfrm {
 public:
  PCSCfrm(Platform& platform, ProgramState& state);

  static WindowSpec Declaration();

  void Form_Load();
  void Form_Unload();
  void Show();

  void Timer3_Timer();
  void Timer5_Timer();

  // Read mode from the host's switch file: 0 lookup, 1 raw ID, 2 paused.
  int ScreenMode = 0;

  Window& window() { return *window_; }
  const Roster& roster() const { return roster_; }

 private:
  void LoadRoster();

  Platform& platform_;
  ProgramState& state_;
  std::unique_ptr<Window> window_;
  Roster roster_;
  HostWatch hostWatch_;
  std::unique_ptr<Timer> Timer3;
  std::unique_ptr<Timer> Timer5;
};

}  // namespace cardwedge
