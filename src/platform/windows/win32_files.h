#pragma once

#include "platform/files.h"

namespace cardwedge {

// Files through the wide-character API: UTF-8 paths inside the program, UTF-16 at the system.
// Files are opened shared for reading, writing and deletion, so the host may write or replace
// the switch file while it is being read.
class Win32Files : public Files {
 public:
  // The folder of the executable, from GetModuleFileNameW.
  std::string ProgramFolder() override;
  char PathSeparator() const override { return '\\'; }
  // Folders, devices, hidden and system files do not count.
  bool FileExists(const std::string& path) override;
  void CreateIfMissing(const std::string& path) override;
  std::string ReadAll(const std::string& path, std::size_t maxBytes) override;
  void Delete(const std::string& path) override;
};

}  // namespace cardwedge
