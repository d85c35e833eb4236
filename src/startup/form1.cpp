#include "startup/form1.h"

#include <optional>
#include <string>
#include <vector>

#include "common/number_text.h"
#include "startup/command_line.h"

namespace cardwedge {
namespace {

double ReadWord(const std::vector<std::string>& words, std::size_t index, const char* role) {
  const std::optional<double> number = ParseNumber(words[index]);
  if (!number) {
    throw CommandLineError("the " + std::string(role) + " word \"" + words[index] + "\" (word " +
                           std::to_string(index + 1) + ") is not a number");
  }
  return *number;
}

}  // namespace

Form1::Form1(Platform& platform, ProgramState& state) : platform_(platform), state_(state) {}

Form1::~Form1() = default;

StartOutcome Form1::Form_Load(std::string_view commandLine) {
  if (platform_.instanceGuard.AnotherInstanceRunning()) return StartOutcome::kAnotherInstanceRuns;

  const std::vector<std::string> words = SplitCommandLine(commandLine);
  double mode = 0;
  if (!words.empty()) {
    if (ReadWord(words, 0, "flag") == 1) state_.ProcessCheckOff = 1;
    if (words.size() < 2) throw CommandLineError("the mode word is missing");
    StartMode = words[1];
    mode = ReadWord(words, 1, "mode");
  }

  const bool felica = mode == 2 || mode == 4;
  const bool pcsc = mode == 3 || mode == 4;
  if (!felica && !pcsc) return StartOutcome::kNoWindow;

  try {
    if (felica) {
      felicaForm_ = std::make_unique<FelicaForm1>(platform_, state_);
      felicaForm_->Form_Load();
    }
    if (pcsc) {
      pcscForm_ = std::make_unique<PCSCfrm>(platform_, state_);
      pcscForm_->Form_Load();
    }
  } catch (...) {
    // The window loaded first would go on reading and typing cards on its timers while the box
    // that reports this failure waits to be closed.
    pcscForm_.reset();
    felicaForm_.reset();
    throw;
  }
  if (felicaForm_) felicaForm_->Show();
  if (pcscForm_) pcscForm_->Show();
  return StartOutcome::kWindowsOpen;
}

}  // namespace cardwedge
