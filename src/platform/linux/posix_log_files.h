#pragma once

#include "platform/log_files.h"

namespace cardwedge {

// The log's files through stdio; the user's own folder is $XDG_STATE_HOME/cardwedge
// (~/.local/state/cardwedge when the variable is unset or not an absolute path).
class PosixLogFiles : public LogFiles {
 public:
  void Append(const std::string& path, std::string_view bytes) override;
  std::uintmax_t Size(const std::string& path) override;
  void Replace(const std::string& from, const std::string& to) override;
  bool MayWrite(const std::string& path) override;
  std::string UserFolderPath(const std::string& name) override;
};

}  // namespace cardwedge
