#pragma once

#include <filesystem>
#include <string>

#include "platform/linux/posix_files.h"

namespace cardwedge {

// Real files in a folder of the test's own, which stands for the program's folder.
class TempFolderFiles : public PosixFiles {
 public:
  TempFolderFiles();
  ~TempFolderFiles() override;

  std::string ProgramFolder() override { return folder_.string(); }

  const std::filesystem::path& folder() const { return folder_; }
  std::filesystem::path PathOf(const std::string& name) const { return folder_ / name; }
  // Writes bytes to a file of the folder, creating subfolders as needed.
  void Write(const std::string& name, const std::string& bytes) const;
  std::string Read(const std::string& name) const;
  bool Exists(const std::string& name) const;

 private:
  std::filesystem::path folder_;
};

}  // namespace cardwedge
