#pragma once

#include "platform/processes.h"

namespace cardwedge {

// Lists the running processes from /proc. A process has a name when its executable's file name,
// the last component of its first argument (split at '/' and '\', so a program started under
// Wine as C:\...\Name.exe counts), or its short command name (15 characters at most) is that
// name, ignoring case. Only processes of this program's user count: another person's host on a
// shared machine does not keep this program running. Processes that have ended but are not yet
// reaped do not count. When /proc cannot be listed, the answer is kUnknown.
class ProcfsProcesses : public Processes {
 public:
  ProcessPresence Presence(const std::string& imageName) override;
};

}  // namespace cardwedge
