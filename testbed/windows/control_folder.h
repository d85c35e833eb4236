#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace cardwedge::testbed {

// The folder of small text files through which a test steers a test-double DLL from another
// process. The test replaces a file whole (write a temporary file, then rename it), so a read
// sees either the old or the new contents. The folder is named by an environment variable,
// as a Windows path or as a Unix path, which is reached through Wine's drive Z:.
class ControlFolder {
 public:
  explicit ControlFolder(const wchar_t* variable);

  // False when the variable is not set.
  bool IsSet() const { return !folder_.empty(); }

  // The file's bytes; nullopt when it does not exist or no folder is set.
  std::optional<std::string> Read(const wchar_t* name) const;

  // Appends one line to the file "log" of the folder; several processes may append at once.
  void Log(std::string_view line) const;

 private:
  std::wstring folder_;
};

// How a test writes a control file: it writes the bytes beside the file, then renames them over
// it. Wine refuses the rename while a test double holds the file open, so it is tried again for a
// few seconds; false when it never succeeds.
bool ReplaceWhole(const std::filesystem::path& file, std::string_view bytes);

// The lines of a text, without their line ends (LF or CR LF); blank lines are left out.
std::vector<std::string> NonBlankLines(std::string_view text);

// The first line of a text without surrounding blanks: the contents of a one-word file.
std::string FirstWord(std::string_view text);

}  // namespace cardwedge::testbed
