#pragma once

#include <memory>

#include "platform/platform.h"
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

  Window& window() { return *window_; }
  const Roster& roster() const { return roster_; }

 private:
  void LoadRoster();

  Platform& platform_;
  ProgramState& state_;
  std::unique_ptr<Window> window_;
  Roster roster_;
};

}  // namespace cardwedge
