#pragma once

#include <windows.h>

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "platform/processes.h"

namespace cardwedge {

// A process as the session listing gives it: its session and its executable's file name.
struct SessionProcess {
  DWORD sessionId = 0;
  std::wstring imageName;
};

// Lists the processes of this program's session with WTSEnumerateProcessesExW, which opens none
// of them: it answers for a standard user and includes the session's elevated processes. Their
// executable file names (such as "Name.exe") are compared ordinally, ignoring case, as the
// management service's process query does. Another user's host, on the same PC through fast user
// switching or remote desktop, is in another session and does not keep this program running; an
// entry of another session that the listing returns anyway does not count either.
class WtsProcesses : public Processes {
 public:
  // The processes of a session, or nothing when they cannot be listed.
  using ListSession = std::function<std::optional<std::vector<SessionProcess>>(DWORD sessionId)>;

  // Lists through wtsapi32.dll from the system folder.
  WtsProcesses();
  explicit WtsProcesses(ListSession listSession);

  ProcessPresence Presence(const std::string& imageName) override;

 private:
  ListSession listSession_;
};

}  // namespace cardwedge
