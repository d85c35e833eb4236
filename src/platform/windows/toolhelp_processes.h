#pragma once

#include "platform/processes.h"

namespace cardwedge {

// Lists the running processes with a Toolhelp snapshot and compares their executable file names
// (such as "Name.exe") ordinally, ignoring case, as the management service's process query does.
class ToolhelpProcesses : public Processes {
 public:
  bool IsRunning(const std::string& imageName) override;
};

}  // namespace cardwedge
