#include "program_copy.h"

#include <sys/wait.h>
#include <unistd.h>

#include <fstream>

#include "wait_until.h"

namespace cardwedge::testbed {

namespace fs = std::filesystem;

ProgramCopy::ProgramCopy() {
  std::string pattern = (fs::temp_directory_path() / "cardwedge-program-XXXXXX").string();
  if (::mkdtemp(pattern.data()) == nullptr) throw TestbedError("cannot make a program folder");
  folder_ = pattern;
  const fs::path program = CARDWEDGE_PROGRAM_PATH;
  fs::copy_file(program, PathOf("cardwedge"));
  for (const char* sound : {"カード確認.WAV", "警告1.wav"}) {
    if (fs::exists(program.parent_path() / sound)) {
      fs::copy_file(program.parent_path() / sound, PathOf(sound));
    }
  }
  fs::copy_file(CARDWEDGE_SAMPLE_ROSTER_PATH, PathOf("メールデータ2.csv"));
  Write("パスデータtime.txt", "");
  fs::create_directory(PathOf("runtime"));
  fs::permissions(PathOf("runtime"), fs::perms::owner_all);
}

ProgramCopy::~ProgramCopy() {
  processes_.clear();
  host_.reset();
  std::error_code ignored;
  fs::remove_all(folder_, ignored);
}

void ProgramCopy::Write(const std::string& name, const std::string& bytes) const {
  std::ofstream out(PathOf(name), std::ios::binary | std::ios::trunc);
  out << bytes;
}

bool ProgramCopy::Exists(const std::string& name) const { return fs::exists(PathOf(name)); }

ChildProcess& ProgramCopy::Start(const std::vector<std::string>& words,
                                 const std::map<std::string, std::string>& environment) {
  std::vector<std::string> argv{PathOf("cardwedge").string()};
  argv.insert(argv.end(), words.begin(), words.end());
  ProcessOptions options;
  options.environment = {{"XDG_RUNTIME_DIR", PathOf("runtime").string()},
                         {"CARDWEDGE_NO_DIALOGS", "1"},
                         {"DISPLAY", ""},
                         {"QT_QPA_PLATFORM", "offscreen"}};
  if (environment.contains("DISPLAY")) options.environment.erase("QT_QPA_PLATFORM");
  for (const auto& [name, value] : environment) options.environment[name] = value;
  options.error_output = ErrorOutput::kIntoLines;
  processes_.push_back(std::make_unique<ChildProcess>(argv, options));
  return *processes_.back();
}

ChildProcess& ProgramCopy::StartHost() {
  fs::copy_file("/bin/sleep", PathOf("Rollbook.exe"));
  host_ = std::make_unique<ChildProcess>(
      std::vector<std::string>{PathOf("Rollbook.exe").string(), "1000"});
  return *host_;
}

bool ProgramCopy::WaitUntilRunning(Duration timeout) {
  const auto loadedOrEnded = [&] {
    return Exists("名簿画面sw.txt") || process().Wait(Duration(0)).has_value();
  };
  return WaitUntil(loadedOrEnded, timeout, Duration(20)) && !process().Wait(Duration(0));
}

bool ExitedWith(const std::optional<int>& waitStatus, int status) {
  return waitStatus && WIFEXITED(*waitStatus) && WEXITSTATUS(*waitStatus) == status;
}

}  // namespace cardwedge::testbed
