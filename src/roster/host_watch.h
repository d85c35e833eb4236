#pragma once

#include <optional>
#include <string>

#include "platform/platform.h"

namespace cardwedge {

inline constexpr char kHostProcessName[] = "Rollbook.exe";
inline constexpr char kSwitchFileName[] = "名簿画面sw.txt";

// Read modes set from the switch file.
inline constexpr int kLookupMode = 0;
inline constexpr int kRawIdMode = 1;
inline constexpr int kPausedMode = 2;

// How a window turns the switch file's last field into a value: the FeliCa window reads the
// field as a number, the PC/SC window reads its leading number.
enum class SwitchReading { kWholeNumber, kLeadingNumber };

enum class SwitchOrder { kKeepMode, kLookup, kRawId, kPause, kEnd };

// What the last field of the switch file orders: 0 lookup, 1 raw ID, 8 pause, 9 end; anything
// else keeps the mode. Empty text counts as 0.
SwitchOrder InterpretSwitchField(const std::string& lastField, SwitchReading reading);

// A reader window's watch on its host: the switch file read every second, the host process
// checked every ten seconds, and the two queries the read cycles use.
class HostWatch {
 public:
  // processCheckOff is read at each host-check tick: 1 turns the watch off. windowName begins the
  // window's lines.
  HostWatch(Platform& platform, const int& processCheckOff, SwitchReading reading,
            std::string windowName);

  // Reads the switch file into readMode, or ends the program on 9. A file that cannot be read
  // at this tick keeps the mode; the next tick tries again. One line tells the first mode the
  // file sets and then each change, never a reading that leaves the mode as it was.
  void SwitchFileTick(int& readMode);
  // Ends the program when the host process is not running, unless the watch is off.
  void HostCheckTick();
  // Ends the program when the host process is not running. A process list that cannot be read
  // does not end it: the host is taken as running, and one line says so until the list is back.
  void HostCheck();

  ProcessPresence processCheck(const std::string& pName);
  bool fFileExist(const std::string& mFileName);

  std::string SwitchFilePath() const;

 private:
  Platform& platform_;
  const int& processCheckOff_;
  void SetReadMode(int& readMode, int mode);

  SwitchReading reading_;
  std::string windowName_;
  std::optional<int> reportedMode_;
  bool processListUnreadable_ = false;
};

}  // namespace cardwedge
