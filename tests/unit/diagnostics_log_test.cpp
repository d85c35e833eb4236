#include "diagnostics/diagnostics_log.h"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <future>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include "diagnostics/diagnostics.h"
#include "diagnostics/line_writer.h"
#include "diagnostics/log_file.h"
#include "platform/files.h"

namespace cardwedge {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

class LogFolder : public ::testing::Test {
 protected:
  LogFolder() { fs::create_directories(folder_); }
  ~LogFolder() override { fs::remove_all(folder_); }

  static std::string Read(const fs::path& path) {
    std::ifstream file(path, std::ios::binary);
    std::ostringstream text;
    text << file.rdbuf();
    return text.str();
  }

  const fs::path folder_ =
      fs::temp_directory_path() /
      ("cardwedge-log-" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) + "-" +
       ::testing::UnitTest::GetInstance()->current_test_info()->name());
  const fs::path log_ = folder_ / "cardwedge.log";
};

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

TEST_F(LogFolder, ALineThatWouldPassTheLimitMovesTheFileToDotOneReplacingTheOlderOne) {
  const std::size_t lineEnd = Lines({""}).size();
  LogFile log(log_, 2 * (9 + lineEnd));
  for (const char* line : {"line 0001", "line 0002", "line 0003", "line 0004", "line 0005"}) {
    log.Append(line);
  }
  EXPECT_EQ(Read(log_), Lines({"line 0005"}));
  EXPECT_EQ(Read(fs::path(log_) += ".1"), Lines({"line 0003", "line 0004"}));

  // A program started again continues the file it finds, and counts what it already holds.
  LogFile again(log_, 2 * (9 + lineEnd));
  again.Append("line 0006");
  again.Append("line 0007");
  EXPECT_EQ(Read(log_), Lines({"line 0007"}));
  EXPECT_EQ(Read(fs::path(log_) += ".1"), Lines({"line 0005", "line 0006"}));
}

TEST_F(LogFolder, AFolderThatCannotBeWrittenGivesOneLineOnStderrAndNoMoreTries) {
  std::vector<std::string> standardError;
  std::vector<std::string> debugOutput;
  {
    DiagnosticsLog log(
        folder_ / "missing folder" / "cardwedge.log",
        [&](const std::string& text) { standardError.push_back(text); },
        [&](const std::string& text) { debugOutput.push_back(text); });
    Diagnose("roster loaded");
    Diagnose("reader chosen");
    FlushDiagnostics();
  }
  // The stderr lines keep their order; the one about the file comes when the file was tried.
  EXPECT_EQ(std::erase_if(standardError,
                          [](const std::string& text) {
                            return text.starts_with("cardwedge: no log file: \"") &&
                                   text.find("missing folder") != std::string::npos;
                          }),
            1u);
  EXPECT_EQ(standardError,
            (std::vector<std::string>{"cardwedge: roster loaded\n", "cardwedge: reader chosen\n"}));
  ASSERT_EQ(debugOutput.size(), 2u);
  EXPECT_TRUE(std::regex_match(
      debugOutput[1],
      std::regex(R"(cardwedge: \d{4}-\d\d-\d\d \d\d:\d\d:\d\d\.\d{3} reader chosen\n)")))
      << debugOutput[1];
}

TEST_F(LogFolder, LinesGoTimeStampedToTheFile) {
  {
    DiagnosticsLog log(
        log_, [](const std::string&) {}, nullptr);
    Diagnose("FeliCa reader opened");
    FlushDiagnostics();
  }
  EXPECT_TRUE(std::regex_match(
      Read(log_), std::regex(R"(\d{4}-\d\d-\d\d \d\d:\d\d:\d\d\.\d{3} FeliCa reader opened\r?\n)")))
      << Read(log_);

  std::tm moment{};
  moment.tm_year = 2026 - 1900;
  moment.tm_mon = 11;
  moment.tm_mday = 7;
  moment.tm_hour = 9;
  moment.tm_min = 4;
  moment.tm_sec = 5;
  moment.tm_isdst = -1;
  const auto time = std::chrono::system_clock::from_time_t(std::mktime(&moment));
  EXPECT_EQ(LocalTimeStamp(time + 7ms), "2026-12-07 09:04:05.007");
}

// A stalled output (a launcher that stopped reading stderr) never holds up the caller (a Post
// that waited would hang this test): lines beyond the limit are counted, and the count is written
// once the output moves again.
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
      },
      2);
  writer.Post("line 1");
  entered.get_future().wait();
  for (int i = 2; i <= 6; ++i) writer.Post("line " + std::to_string(i));
  release.set_value();
  writer.Flush(10s);
  writer.Post("line 7");
  writer.Flush(10s);
  EXPECT_EQ(written,
            (std::vector<std::string>{"line 1", "line 2", "line 3",
                                      "3 lines were dropped: the output was too slow", "line 7"}));
}

}  // namespace
}  // namespace cardwedge
