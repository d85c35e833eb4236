#include "platform/linux/procfs_processes.h"

#include <dirent.h>
#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <optional>
#include <string>
#include <string_view>

namespace cardwedge {
namespace {

// The longest command name the kernel keeps for a process.
constexpr std::size_t kCommandNameLength = 15;

bool EqualIgnoringCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    const auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c; };
    if (lower(a[i]) != lower(b[i])) return false;
  }
  return true;
}

std::string_view LastComponent(std::string_view path) {
  const std::size_t separator = path.find_last_of("/\\");
  return separator == std::string_view::npos ? path : path.substr(separator + 1);
}

// The first bytes of a small /proc file, or nothing when it cannot be read (the process has
// gone, or belongs to someone else).
std::optional<std::string> ReadProcFile(const std::string& path) {
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return std::nullopt;
  char buffer[4096];
  ssize_t count;
  do {
    count = ::read(fd, buffer, sizeof buffer);
  } while (count < 0 && errno == EINTR);
  ::close(fd);
  if (count < 0) return std::nullopt;
  return std::string(buffer, static_cast<std::size_t>(count));
}

// True when the process has exited and only waits to be reaped (or is being torn down).
bool HasEnded(const std::string& folder) {
  const std::optional<std::string> stat = ReadProcFile(folder + "/stat");
  if (!stat) return true;
  // The state follows the command name, which is in parentheses and may itself hold them.
  const std::size_t nameEnd = stat->rfind(')');
  if (nameEnd == std::string::npos || nameEnd + 2 >= stat->size()) return true;
  const char state = (*stat)[nameEnd + 2];
  return state == 'Z' || state == 'X';
}

// True when the process runs under this program's user (its real user ID). A process whose
// status cannot be read (it has gone) is not.
bool IsOwnUsers(const std::string& folder) {
  const std::optional<std::string> status = ReadProcFile(folder + "/status");
  if (!status) return false;
  const std::size_t line = status->find("\nUid:");
  if (line == std::string::npos) return false;
  char* end = nullptr;
  const unsigned long uid = std::strtoul(status->c_str() + line + 5, &end, 10);
  return end != status->c_str() + line + 5 && uid == ::getuid();
}

bool CommandNameIs(const std::string& folder, std::string_view name) {
  if (name.size() > kCommandNameLength) return false;
  std::optional<std::string> comm = ReadProcFile(folder + "/comm");
  if (!comm) return false;
  if (!comm->empty() && comm->back() == '\n') comm->pop_back();
  return EqualIgnoringCase(*comm, name);
}

bool FirstArgumentIs(const std::string& folder, std::string_view name) {
  const std::optional<std::string> cmdline = ReadProcFile(folder + "/cmdline");
  if (!cmdline) return false;
  const std::string_view first(cmdline->c_str());
  return EqualIgnoringCase(LastComponent(first), name);
}

bool ExecutableIs(const std::string& folder, std::string_view name) {
  char target[4096];
  const ssize_t length = ::readlink((folder + "/exe").c_str(), target, sizeof target);
  if (length <= 0) return false;
  return EqualIgnoringCase(LastComponent(std::string_view(target, std::size_t(length))), name);
}

bool IsProcessFolder(const char* name) {
  if (*name == '\0') return false;
  for (const char* c = name; *c != '\0'; ++c) {
    if (*c < '0' || *c > '9') return false;
  }
  return true;
}

}  // namespace

ProcessPresence ProcfsProcesses::Presence(const std::string& imageName) {
  if (imageName.empty()) return ProcessPresence::kNotRunning;
  DIR* proc = ::opendir("/proc");
  if (proc == nullptr) return ProcessPresence::kUnknown;
  ProcessPresence presence = ProcessPresence::kNotRunning;
  for (;;) {
    const dirent* entry = ::readdir(proc);
    if (entry == nullptr) break;
    if (!IsProcessFolder(entry->d_name)) continue;
    const std::string folder = std::string("/proc/") + entry->d_name;
    if ((CommandNameIs(folder, imageName) || FirstArgumentIs(folder, imageName) ||
         ExecutableIs(folder, imageName)) &&
        IsOwnUsers(folder) && !HasEnded(folder)) {
      presence = ProcessPresence::kRunning;
      break;
    }
  }
  ::closedir(proc);
  return presence;
}

}  // namespace cardwedge
