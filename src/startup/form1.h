#pragma once

#include <memory>
#include <string_view>

#include "common/program_state.h"
#include "felica/felica_form1.h"
#include "pcsc/pcsc_frm.h"
#include "platform/platform.h"

namespace cardwedge {

enum class StartOutcome { kAnotherInstanceRuns, kNoWindow, kWindowsOpen };

// The invisible start-up: refuses a second instance, reads the command line and opens the
// reader window or windows the mode asks for. It keeps the windows it opened.
class Form1 {
 public:
  Form1(Platform& platform, ProgramState& state);
  ~Form1();

  // Raises CommandLineError for a malformed command line and RosterError when a window cannot
  // load its roster; no window has been shown then, and a window that had loaded is closed again,
  // its timers with it.
  StartOutcome Form_Load(std::string_view commandLine);

  FelicaForm1* felicaForm() { return felicaForm_.get(); }
  PCSCfrm* pcscForm() { return pcscForm_.get(); }

 private:
  Platform& platform_;
  ProgramState& state_;
  std::string StartMode;  // the mode word of the command line
  std::unique_ptr<FelicaForm1> felicaForm_;
  std::unique_ptr<PCSCfrm> pcscForm_;
};

}  // namespace cardwedge
