#pragma once

#include <memory>

#include "platform/platform.h"
#include "roster/host_watch.h"
#include "roster/roster.h"
#include "startup/program_state.h"

namespace cardwedge {

// The FeliCa reader window.
class FelicaForm1 {
 public:
  FelicaForm1(Platform& platform, ProgramState& state);

  static WindowSpec Declaration();

  void Form_Load();
  void Form_Unload();
  void Show();

  void PasoriTimer2_Timer();
  void PasoriTimer3_Timer();
  void PasoriCommand4_Click();

  Window& window() { return *window_; }
  const Roster& roster() const { return roster_; }

 private:
  void LoadRoster();

  Platform& platform_;
  ProgramState& state_;
  std::unique_ptr<Window> window_;
  Roster roster_;
  HostWatch hostWatch_;
  std::unique_ptr<Timer> PasoriTimer2;
  std::unique_ptr<Timer> PasoriTimer3;
};

}  // namespace cardwedge
