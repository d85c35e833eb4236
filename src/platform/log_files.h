#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace cardwedge {

// The file calls of the program's log; paths are UTF-8. Each call opens the file and closes it
// again, shared with readers, writers and a rename, so the program never holds its log between
// two lines and never keeps a reader or a rotation out.
class LogFiles {
 public:
  virtual ~LogFiles() = default;
  // Appends the bytes at the end of the file, creating it when missing. Raises FileError when the
  // file cannot be opened or written (another program holds it against writers, a full disk).
  virtual void Append(const std::string& path, std::string_view bytes) = 0;
  // The size of the file in bytes; 0 when it is missing or cannot be read.
  virtual std::uintmax_t Size(const std::string& path) = 0;
  // Renames the file `from` to `to`, replacing `to` in one step. Raises FileError.
  virtual void Replace(const std::string& from, const std::string& to) = 0;
  // False when this user may not create or write the file there (a folder that refuses this
  // user, a read-only disk); a file that another program holds for the moment counts as writable.
  virtual bool MayWrite(const std::string& path) = 0;
  // The path of `name` in a folder of this user's own for the program's log, the folder created
  // when missing. Raises FileError when there is none.
  virtual std::string UserFolderPath(const std::string& name) = 0;
};

}  // namespace cardwedge
