#pragma once

#include "platform/files.h"

namespace cardwedge {

class PosixFiles : public Files {
 public:
  std::string ProgramFolder() override;
  char PathSeparator() const override { return '/'; }
  bool FileExists(const std::string& path) override;
  void CreateIfMissing(const std::string& path) override;
  std::string ReadAll(const std::string& path, std::size_t maxBytes) override;
  void Delete(const std::string& path) override;
};

}  // namespace cardwedge
