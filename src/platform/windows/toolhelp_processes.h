#pragma once

#include <windows.h>

#include <functional>
#include <optional>

#include "platform/processes.h"

namespace cardwedge {

// Lists the running processes with a Toolhelp snapshot and compares their executable file names
// (such as "Name.exe") ordinally, ignoring case, as the management service's process query does.
// Only processes in this program's session count, so another user's host, on the same PC through
// fast user switching or remote desktop, does not keep this program running. A process whose
// session cannot be learned (an elevated host refuses the query) counts.
class ToolhelpProcesses : public Processes {
 public:
  // The session of a process, or nothing when it cannot be learned.
  using SessionOf = std::function<std::optional<DWORD>(DWORD processId)>;

  // Sessions from ProcessIdToSessionId.
  ToolhelpProcesses();
  explicit ToolhelpProcesses(SessionOf sessionOf);

  ProcessPresence Presence(const std::string& imageName) override;

 private:
  SessionOf sessionOf_;
};

}  // namespace cardwedge
