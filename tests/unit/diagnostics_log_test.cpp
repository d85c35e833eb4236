#include "diagnostics/diagnostics_log.h"

#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <future>
#include <map>
#include <mutex>
#include <regex>
#include <string>
#include <thread>
#include <vector>

#include "diagnostics/diagnostics.h"
#include "diagnostics/line_writer.h"
#include "diagnostics/log_file.h"
#include "platform/files.h"

namespace cardwedge {
namespace {

using namespace std::chrono_literals;

constexpr char kProgramLog[] = "/program/cardwedge.log";
constexpr char kUserLog[] = "/home/staff/.local/state/cardwedge/cardwedge.log";

// The log's files in memory; a test refuses lines or renames as another program holding a file
// would, or the program's folder as a folder under Program Files does.
class MemoryLogFiles : public LogFiles {
 public:
  void Append(const std::string& path, std::string_view bytes) override {
    const std::lock_guard lock(mutex_);
    if (refuseLines_) {
      ++refusals_;
      throw FileError("\"" + path + "\": held by another program");
    }
    files_[path] += bytes;
    if (linesBeforeRefusal > 0 && --linesBeforeRefusal == 0) refuseLines_ = true;
  }
  std::uintmax_t Size(const std::string& path) override { return Content(path).size(); }
  void Replace(const std::string& from, const std::string& to) override {
    const std::lock_guard lock(mutex_);
    if (refuseRenames_) throw FileError("\"" + from + "\": NAME.1 held by another program");
    files_[to] = files_[from];
    files_.erase(from);
  }
  bool MayWrite(const std::string& path) override { return !path.starts_with(readOnlyFolder); }
  std::string UserFolderPath(const std::string& name) override {
    return "/home/staff/.local/state/cardwedge/" + name;
  }

  std::string Content(const std::string& path) {
    const std::lock_guard lock(mutex_);
    const auto found = files_.find(path);
    return found == files_.end() ? "" : found->second;
  }
  void Set(const std::string& path, const std::string& content) {
    const std::lock_guard lock(mutex_);
    files_[path] = content;
  }
  void RefuseLines(bool refuse) {
    const std::lock_guard lock(mutex_);
    refuseLines_ = refuse;
  }
  int Refusals() {
    const std::lock_guard lock(mutex_);
    return refusals_;
  }
  void RefuseRenames(bool refuse) {
    const std::lock_guard lock(mutex_);
    refuseRenames_ = refuse;
  }

  std::string readOnlyFolder = "/nowhere/";
  // When above 0: the file takes that many more lines, then refuses them.
  int linesBeforeRefusal = 0;

 private:
  std::mutex mutex_;
  std::map<std::string, std::string> files_;
  bool refuseLines_ = false;
  int refusals_ = 0;
  bool refuseRenames_ = false;
};

// What an output of the log received, from its writer thread.
class Captured {
 public:
  DiagnosticsLog::Output Output() {
    return [this](const std::string& text) {
      const std::lock_guard lock(mutex_);
      texts_.push_back(text);
    };
  }
  std::vector<std::string> Texts() {
    const std::lock_guard lock(mutex_);
    return texts_;
  }
  std::size_t Count(const std::string& start) {
    std::size_t count = 0;
    for (const std::string& text : Texts()) count += text.starts_with(start) ? 1 : 0;
    return count;
  }

 private:
  std::mutex mutex_;
  std::vector<std::string> texts_;
};

bool WaitUntil(const std::function<bool()>& done) {
  for (int i = 0; i < 500 && !done(); ++i) std::this_thread::sleep_for(10ms);
  return done();
}

// The file's lines without their time stamps.
std::vector<std::string> Unstamped(const std::string& content) {
  static const std::regex line(R"((\d{4}-\d\d-\d\d \d\d:\d\d:\d\d\.\d{3}) ([^\r\n]*)\r?\n)");
  std::vector<std::string> lines;
  for (std::sregex_iterator it(content.begin(), content.end(), line), end; it != end; ++it) {
    lines.push_back((*it)[2]);
  }
  return lines;
}

std::string Lines(std::initializer_list<const char*> lines) {
#ifdef _WIN32
  constexpr char kEnd[] = "\r\n";
#else
  constexpr char kEnd[] = "\n";
#endif
  std::string text;
  for (const char* line : lines) text += std::string(line) + kEnd;
  return text;
}

TEST(LogFileTest, ALineThatWouldPassTheLimitMovesTheFileToDotOneReplacingTheOlderOne) {
  MemoryLogFiles files;
  const std::size_t lineEnd = Lines({""}).size();
  files.Set("log.1", "older");
  LogFile log(files, "log", 2 * (9 + lineEnd));
  for (const char* line : {"line 0001", "line 0002", "line 0003", "line 0004", "line 0005"}) {
    EXPECT_FALSE(log.Append(line));
  }
  EXPECT_EQ(files.Content("log"), Lines({"line 0005"}));
  EXPECT_EQ(files.Content("log.1"), Lines({"line 0003", "line 0004"}));

  // A program started again continues the file it finds, and counts what it already holds.
  LogFile again(files, "log", 2 * (9 + lineEnd));
  again.Append("line 0006");
  again.Append("line 0007");
  EXPECT_EQ(files.Content("log"), Lines({"line 0007"}));
  EXPECT_EQ(files.Content("log.1"), Lines({"line 0005", "line 0006"}));
}

TEST(DiagnosticsLogTest, AFileThatRefusesLinesKeepsThemWaitingAndEachOutageIsToldOnce) {
  const auto files = std::make_shared<MemoryLogFiles>();
  Captured standardError;
  Captured debugOutput;
  DiagnosticsLog log(files, kProgramLog, standardError.Output(), debugOutput.Output());
  const auto linesInLog = [&](std::size_t count) {
    return WaitUntil([&] { return Unstamped(files->Content(kProgramLog)).size() == count; });
  };
  const std::string notice = "cardwedge: log file refused, lines wait: \"/program/cardwedge.log\"";

  files->RefuseLines(true);
  Diagnose("roster loaded");
  Diagnose("reader chosen");
  // Long enough for several tries.
  std::this_thread::sleep_for(700ms);
  files->RefuseLines(false);
  ASSERT_TRUE(linesInLog(3));
  const std::vector<std::string> lines = Unstamped(files->Content(kProgramLog));
  EXPECT_TRUE(std::regex_match(lines[0], std::regex("the log file could not be written from "
                                                    R"(\d\d:\d\d:\d\d to \d\d:\d\d:\d\d; )"
                                                    "the lines held back follow")))
      << lines[0];
  EXPECT_EQ(std::vector(lines.begin() + 1, lines.end()),
            (std::vector<std::string>{"roster loaded", "reader chosen"}));
  EXPECT_EQ(standardError.Count(notice), 1u);
  // The debug output has each line once, not once per try.
  EXPECT_EQ(debugOutput.Texts().size(), 2u);

  files->RefuseLines(true);
  Diagnose("reader lost");
  ASSERT_TRUE(WaitUntil([&] { return standardError.Count(notice) == 2; }));
  files->RefuseLines(false);
  ASSERT_TRUE(linesInLog(5));
  EXPECT_EQ(Unstamped(files->Content(kProgramLog)).back(), "reader lost");
}

// The file also refuses the first notice, just after taking the line: the line is not written
// again, and the notice comes with the next line.
TEST(DiagnosticsLogTest, AFullLogWhoseRenameIsRefusedGrowsUntilARenameWorks) {
  const auto files = std::make_shared<MemoryLogFiles>();
  const std::string full(kLogMaxBytes - 10, 'x');
  files->Set(kProgramLog, full);
  files->RefuseRenames(true);
  files->linesBeforeRefusal = 1;
  Captured standardError;
  DiagnosticsLog log(files, kProgramLog, standardError.Output(), nullptr);
  Diagnose("roster loaded");
  ASSERT_TRUE(WaitUntil([&] { return !Unstamped(files->Content(kProgramLog)).empty(); }));
  files->RefuseLines(false);
  Diagnose("reader chosen");
  FlushDiagnostics();
  EXPECT_EQ(
      Unstamped(files->Content(kProgramLog)),
      (std::vector<std::string>{"roster loaded", "reader chosen",
                                "log file kept past its limit until it can be renamed: "
                                "\"/program/cardwedge.log\": NAME.1 held by another program"}));
  EXPECT_EQ(standardError.Count("cardwedge: log file kept past its limit"), 1u);

  files->RefuseRenames(false);
  Diagnose("reader lost");
  FlushDiagnostics();
  EXPECT_TRUE(files->Content(std::string(kProgramLog) + ".1").starts_with(full));
  EXPECT_EQ(Unstamped(files->Content(std::string(kProgramLog) + ".1")).size(), 3u);
  EXPECT_EQ(Unstamped(files->Content(kProgramLog)), std::vector<std::string>{"reader lost"});
}

// More lines than may wait while the file refuses them: the count of those dropped is a stamped
// line of the log like any other.
TEST(DiagnosticsLogTest, LinesDroppedWhileTheFileRefusedThemAreCountedInAStampedLine) {
  const auto files = std::make_shared<MemoryLogFiles>();
  DiagnosticsLog log(
      files, kProgramLog, [](const std::string&) {}, nullptr);
  files->RefuseLines(true);
  for (int i = 1; i <= 1003; ++i) Diagnose("card " + std::to_string(i));
  ASSERT_TRUE(WaitUntil([&] { return files->Refusals() > 0; }));
  files->RefuseLines(false);
  // The outage's notice and the lines that waited.
  ASSERT_TRUE(WaitUntil([&] { return Unstamped(files->Content(kProgramLog)).size() == 1001; }));
  Diagnose("reader lost");
  FlushDiagnostics();
  const std::vector<std::string> lines = Unstamped(files->Content(kProgramLog));
  EXPECT_EQ(std::vector(lines.begin() + 1000, lines.end()),
            (std::vector<std::string>{"card 1000", "3 lines were dropped: the output was too slow",
                                      "reader lost"}));
}

// A stalled output (a launcher that stopped reading stderr) never holds up the caller (a Post
// that waited would hang this test): lines beyond the limit are counted, and the count is written,
// framed as the output's lines are, once the output moves again.
TEST(LineWriterTest, AStalledOutputNeverBlocksThePosterAndDroppedLinesAreCounted) {
  std::promise<void> entered;
  std::promise<void> release;
  std::shared_future<void> released = release.get_future().share();
  std::vector<std::string> written;
  LineWriter writer(
      [&](const std::string& line) {
        if (written.empty()) entered.set_value();
        released.wait();
        written.push_back(line);
        return true;
      },
      [](const std::string& notice) { return "[" + notice + "]"; }, 2);
  writer.Post("line 1");
  entered.get_future().wait();
  for (int i = 2; i <= 6; ++i) writer.Post("line " + std::to_string(i));
  release.set_value();
  writer.Flush(10s);
  writer.Post("line 7");
  writer.Flush(10s);
  EXPECT_EQ(written,
            (std::vector<std::string>{
                "line 1", "line 2", "[4 lines were dropped: the output was too slow]", "line 7"}));
}

}  // namespace
}  // namespace cardwedge
