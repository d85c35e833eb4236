#pragma once

#include <stdexcept>
#include <string>
#include <vector>

#include "platform/files.h"
#include "platform/text_codec.h"

namespace cardwedge {

inline constexpr int kMaxRosterRecords = 10000;
inline constexpr int kRosterFieldsPerRecord = 50;
inline constexpr char kRosterFolderFileName[] = "パスデータtime.txt";
inline constexpr char kRosterFileName[] = "メールデータ2.csv";

// A roster that cannot be loaded; the text names the file, the problem and, where it applies,
// the record and line.
class RosterError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// One window's roster: records at indices 1 to RosterCount of the parallel arrays (index 0 is
// never used). Texts are kept exactly as read; RosterLine is the line of the file each record
// begins on, so a fault of a record can be located as the loader's errors are.
struct Roster {
  std::string RosterFolder;
  std::vector<std::string> RosterCardId{""};
  std::vector<std::string> RosterValue{""};
  std::vector<std::string> RosterText{""};
  std::vector<int> RosterLine{0};
  int RosterCount = 0;
  bool Utf8 = false;  // read as UTF-8; else in the system's ANSI code page
};

// The folder the folder file beside the program names, with a trailing separator: the program's
// folder when the file's last field is empty. Creates the file empty when it is missing. Raises
// RosterError when it cannot be read.
std::string ReadRosterFolder(Files& files, TextCodec& codec);

// Loads the roster named by the folder file beside the program (created empty when missing;
// its last field names the folder, the program's folder when empty). Raises RosterError.
Roster LoadRoster(Files& files, TextCodec& codec);

}  // namespace cardwedge
