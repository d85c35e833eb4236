#include "temp_folder_files.h"

#include <unistd.h>

#include <fstream>
#include <sstream>
#include <stdexcept>

namespace cardwedge {

TempFolderFiles::TempFolderFiles() {
  std::string pattern = (std::filesystem::temp_directory_path() / "cardwedge-test-XXXXXX").string();
  if (::mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("cannot make a temp folder");
  folder_ = pattern;
}

TempFolderFiles::~TempFolderFiles() {
  std::error_code ignored;
  std::filesystem::permissions(folder_, std::filesystem::perms::owner_all,
                               std::filesystem::perm_options::add, ignored);
  std::filesystem::remove_all(folder_, ignored);
}

void TempFolderFiles::Write(const std::string& name, const std::string& bytes) const {
  const std::filesystem::path path = folder_ / name;
  std::filesystem::create_directories(path.parent_path());
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out << bytes;
}

std::string TempFolderFiles::Read(const std::string& name) const {
  std::ifstream in(folder_ / name, std::ios::binary);
  std::ostringstream content;
  content << in.rdbuf();
  return content.str();
}

bool TempFolderFiles::Exists(const std::string& name) const {
  return std::filesystem::exists(folder_ / name);
}

}  // namespace cardwedge
