#pragma once

#include <cstddef>
#include <stdexcept>
#include <string>

namespace cardwedge {

// A file that cannot be created, opened or read; the text names the path and the problem.
class FileError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// Paths are UTF-8.
class Files {
 public:
  virtual ~Files() = default;
  // The folder of the running executable, without a trailing separator.
  virtual std::string ProgramFolder() = 0;
  // The platform's separator ("/" or "\\").
  virtual char PathSeparator() const = 0;
  // folder, the separator, then name: the path of name inside folder.
  std::string JoinPath(const std::string& folder, const std::string& name) const {
    return folder + PathSeparator() + name;
  }
  // True for an existing plain file that is not hidden; every failure gives false.
  virtual bool FileExists(const std::string& path) = 0;
  // Creates the file, empty, when it is missing. An existing file is never opened (another program
  // may hold it against writers), so it counts as done whatever its state.
  virtual void CreateIfMissing(const std::string& path) = 0;
  // The whole content as bytes. Raises FileError when the file cannot be read or is larger than
  // maxBytes.
  virtual std::string ReadAll(const std::string& path, std::size_t maxBytes) = 0;
  // Raises FileError when the file cannot be deleted (a missing file included).
  virtual void Delete(const std::string& path) = 0;
};

}  // namespace cardwedge
