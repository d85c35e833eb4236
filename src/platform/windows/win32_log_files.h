#pragma once

#include "platform/log_files.h"

namespace cardwedge {

// The log's files through the wide-character API. The log is opened for appending only and
// shared for reading, writing and deletion; the older file is replaced by a rename in one step.
// The user's own folder is "cardwedge" in the local application data folder.
class Win32LogFiles : public LogFiles {
 public:
  void Append(const std::string& path, std::string_view bytes) override;
  std::uintmax_t Size(const std::string& path) override;
  void Replace(const std::string& from, const std::string& to) override;
  bool MayWrite(const std::string& path) override;
  std::string UserFolderPath(const std::string& name) override;
};

}  // namespace cardwedge
