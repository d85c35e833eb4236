#include "roster/host_watch.h"

#include <utility>

#include "common/end_program.h"
#include "common/number_text.h"
#include "diagnostics/diagnostics.h"
#include "roster/field_reader.h"

namespace cardwedge {
namespace {

constexpr std::size_t kMaxSwitchFileBytes = std::size_t{64} * 1024;

}  // namespace

SwitchOrder InterpretSwitchField(const std::string& lastField, SwitchReading reading) {
  double value = 0;
  if (reading == SwitchReading::kLeadingNumber) {
    value = LeadingNumber(lastField);
  } else if (!lastField.empty()) {
    const std::optional<double> number = ParseNumber(lastField);
    if (!number) return SwitchOrder::kKeepMode;
    value = *number;
  }
  if (value == 0) return SwitchOrder::kLookup;
  if (value == 1) return SwitchOrder::kRawId;
  if (value == 8) return SwitchOrder::kPause;
  if (value == 9) return SwitchOrder::kEnd;
  return SwitchOrder::kKeepMode;
}

HostWatch::HostWatch(Platform& platform, const int& processCheckOff, SwitchReading reading,
                     std::string windowName)
    : platform_(platform),
      processCheckOff_(processCheckOff),
      reading_(reading),
      windowName_(std::move(windowName)) {}

std::string HostWatch::SwitchFilePath() const {
  return platform_.files.JoinPath(platform_.files.ProgramFolder(), kSwitchFileName);
}

void HostWatch::SwitchFileTick(int& readMode) {
  const std::string path = SwitchFilePath();
  std::string content;
  try {
    platform_.files.CreateIfMissing(path);
    content = platform_.files.ReadAll(path, kMaxSwitchFileBytes);
  } catch (const FileError&) {
    return;
  }
  switch (InterpretSwitchField(LastField(platform_.textCodec.AnsiToUtf8(content)), reading_)) {
    case SwitchOrder::kLookup:
      SetReadMode(readMode, kLookupMode);
      break;
    case SwitchOrder::kRawId:
      SetReadMode(readMode, kRawIdMode);
      break;
    case SwitchOrder::kPause:
      SetReadMode(readMode, kPausedMode);
      break;
    case SwitchOrder::kEnd:
      Diagnose("the switch file says 9: ending");
      EndProgram(platform_, 0);
    case SwitchOrder::kKeepMode:
      break;
  }
}

void HostWatch::SetReadMode(int& readMode, int mode) {
  readMode = mode;
  if (reportedMode_ == mode) return;
  reportedMode_ = mode;
  const char* text = mode == kRawIdMode    ? "raw ID (switch file 1)"
                     : mode == kPausedMode ? "paused (switch file 8)"
                                           : "lookup (switch file 0)";
  Diagnose(windowName_ + " read mode: " + text);
}

void HostWatch::HostCheckTick() {
  if (processCheckOff_ != 1) HostCheck();
}

void HostWatch::HostCheck() {
  switch (processCheck(kHostProcessName)) {
    case ProcessPresence::kRunning:
      processListUnreadable_ = false;
      return;
    case ProcessPresence::kUnknown:
      if (!processListUnreadable_) {
        Diagnose("the process list cannot be read: the host is taken as running");
      }
      processListUnreadable_ = true;
      return;
    case ProcessPresence::kNotRunning:
      Diagnose(std::string("the host ") + kHostProcessName + " is not running: ending");
      EndProgram(platform_, 0);
  }
}

ProcessPresence HostWatch::processCheck(const std::string& pName) {
  return platform_.processes.Presence(pName);
}

bool HostWatch::fFileExist(const std::string& mFileName) {
  return platform_.files.FileExists(mFileName);
}

}  // namespace cardwedge
