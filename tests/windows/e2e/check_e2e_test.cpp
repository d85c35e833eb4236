// `cardwedge.exe --check [SECONDS]` under Wine, as check.cmd runs it: the report file beside the
// program, its path on stdout, and the exit status; the FeliCa library missing, missing its
// runtime, or working with a card laid.

#include <gtest/gtest.h>
#include <windows.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <memory>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "bed_support.h"
#include "control_folder.h"
#include "roster/roster.h"
#include "roster_line.h"
#include "windows_process.h"

namespace cardwedge {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;
using testbed::Wide;
using testbed::WindowsProcess;
using testbed::WinePath;

constexpr char kReader[] = "ACS ACR122U PICC Interface 0";
constexpr char kFelicaCard[] = "012E4C3A0F10889B";

class CheckE2e : public ::testing::Test {
 protected:
  CheckE2e() {
    folder_ =
        fs::temp_directory_path() / ("cardwedge-check-" + std::to_string(GetCurrentProcessId()) +
                                     "-" + std::to_string(++count_));
    testbed::LayOutProgramFolder(folder_, CARDWEDGE_EXE, WINSCARD_DOUBLE, FELICA_DOUBLE);
    Write(Wide(kRosterFolderFileName), "");
    Write(Wide(kRosterFileName), RosterLine("24001", "\x8D\xB2\x93\xA1", kFelicaCard));
    Write(L"winscard\\readers", std::string(kReader) + "\n");
  }

  ~CheckE2e() override {
    program_.reset();
    std::error_code ignored;
    fs::remove_all(folder_, ignored);
  }

  void Write(const std::wstring& name, const std::string& bytes) {
    ASSERT_TRUE(testbed::ReplaceWhole(folder_ / name, bytes));
  }

  // Runs the check to its end; the report file's text, after the path on stdout is checked.
  std::string Check(const std::vector<std::wstring>& words, DWORD status) {
    std::vector<std::wstring> all{L"--check"};
    all.insert(all.end(), words.begin(), words.end());
    program_ = std::make_unique<WindowsProcess>(
        (folder_ / "cardwedge.exe").wstring(), all,
        WindowsProcess::EnvironmentChanges{
            {L"CARDWEDGE_WINSCARD_CONTROL", (folder_ / "winscard").wstring()},
            {L"CARDWEDGE_FELICA_CONTROL", (folder_ / "felica").wstring()},
            {L"CARDWEDGE_NO_DIALOGS", L"1"}},
        true);
    const std::optional<DWORD> exited = program_->Wait(30s);
    const fs::path report = folder_ / "cardwedge-check.txt";
    // The report's path is the program's last line on stdout, read on a thread of its own.
    testbed::WaitUntil([&] { return !program_->Lines().empty(); });
    const std::vector<std::string> lines = program_->Lines();
    std::string said;
    for (const std::string& line : lines) said += line + "\n";
    EXPECT_EQ(exited, status) << said;
    EXPECT_TRUE(!lines.empty() && lines.back().ends_with("\\cardwedge-check.txt")) << said;
    std::ifstream file(report, std::ios::binary);
    std::ostringstream text;
    text << file.rdbuf();
    // Notepad's marks of a UTF-8 file with Windows line ends.
    EXPECT_TRUE(text.str().starts_with("\xEF\xBB\xBF")) << text.str();
    EXPECT_NE(text.str().find("\r\n"), std::string::npos);
    return text.str();
  }

  static inline int count_ = 0;
  fs::path folder_;
  std::unique_ptr<WindowsProcess> program_;
};

bool Holds(const std::string& report, const std::string& part) {
  return report.find(part) != std::string::npos;
}

// The PC/SC reader still reads: the FeliCa library's fault is a warning, and says which it is.
TEST_F(CheckE2e, TheReportTellsAMissingLibraryFromOneWhoseRuntimeIsMissing) {
  fs::remove(folder_ / "felica_for_vb.dll");
  std::string report = Check({}, 1);
  EXPECT_TRUE(
      Holds(report, "FeliCa ライブラリ: プログラムのフォルダにもシステムフォルダにもありません"))
      << report;

  fs::copy_file(WinePath(FELICA_DOUBLE_WITH_RUNTIME), folder_ / "felica_for_vb.dll");
  report = Check({}, 1);
  EXPECT_TRUE(Holds(report, "(リーダーのメーカーのランタイム) がありません")) << report;
  EXPECT_TRUE(Holds(report, "error 126")) << report;
}

TEST_F(CheckE2e, ACardLaidDuringTheWaitIsReportedWithItsRecordAndValue) {
  Write(L"felica\\card", std::string(kFelicaCard) + "\n");
  const std::string report = Check({L"2"}, 1);
  EXPECT_TRUE(Holds(report, "FeliCa ライブラリ: 読み込みました: ")) << report;
  EXPECT_TRUE(Holds(report, "\"" + std::string(kReader) + "\"")) << report;
  EXPECT_TRUE(Holds(report, std::string("\"") + kFelicaCard + "\" はレコード1 (1行目")) << report;
  EXPECT_TRUE(Holds(report, "窓は 24001 と Enter を入力します")) << report;
}

}  // namespace
}  // namespace cardwedge
