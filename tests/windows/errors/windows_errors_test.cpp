// An error that escapes a handler shows a message box, and no other handler runs while it shows,
// nor does the program keep the reader watch or its single-instance claim meanwhile; the lines
// reach the log file through the wide-character paths of Windows, also while other programs hold
// it or its older file.

#include <gtest/gtest.h>
#include <windows.h>

#include <atomic>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <memory>
#include <mutex>
#include <sstream>
#include <stdexcept>
#include <string>
#include <thread>

#include "diagnostics/diagnostics.h"
#include "diagnostics/diagnostics_log.h"
#include "diagnostics/run_handler.h"
#include "fake_platform.h"
#include "platform/windows/mutex_instance_guard.h"
#include "platform/windows/wide_text.h"
#include "platform/windows/win32_log_files.h"
#include "platform/windows/win32_toolkit.h"
#include "startup/error_box.h"
#include "windows_child_process.h"

namespace cardwedge {
namespace {

namespace fs = std::filesystem;
using wintest::WindowsChildProcess;

constexpr char kFailInHandler[] = "--fail-in-handler";
constexpr wchar_t kTestMutex[] = L"Local\\cardwedge-error-box-test";

std::atomic<int> ticks{0};

// Waits for this process's error box, then reports its text, the ticks of a 10 ms timer seen
// while it showed, whether a new instance could claim the program and whether the reader watch
// still runs; then presses its OK button.
void AnswerTheBox(const FakeSmartCard& smartCard) {
  HWND box = nullptr;
  for (int i = 0; i < 2000 && box == nullptr; ++i) {
    box = FindWindowW(L"#32770", L"cardwedge");
    DWORD process = 0;
    if (box != nullptr) GetWindowThreadProcessId(box, &process);
    if (process != GetCurrentProcessId()) box = nullptr;
    Sleep(10);
  }
  if (box == nullptr) return;
  Sleep(300);
  wchar_t text[256] = {};
  GetDlgItemTextW(box, 0xFFFF, text, static_cast<int>(std::size(text)));
  const bool claimFree = !MutexInstanceGuard(kTestMutex).AnotherInstanceRunning();
  std::printf("box: %s; ticks while shown: %d; claim free: %d; watching: %d\n",
              Narrow(text).c_str(), ticks.load(), claimFree, smartCard.watchedReader.has_value());
  std::fflush(stdout);
  PostMessageW(box, WM_COMMAND, IDOK, 0);
}

// The child process: a handler that fails while a timer of the toolkit and the reader watch run
// and the program holds its claim.
int FailInHandler() {
  FakePlatform fake;
  Win32Toolkit toolkit;
  MutexInstanceGuard guard(kTestMutex);
  if (guard.AnotherInstanceRunning()) return 2;
  Platform platform{toolkit,        fake.files, fake.clock, fake.keyboard,  fake.sound,
                    fake.processes, guard,      fake.codec, fake.smartCard, fake.felica};
  fake.smartCard.WatchReader("ACS ACR122U", [](ReaderChange) {});
  SetHandlerErrorReport([&platform](const std::string& text) { ShowEndingError(platform, text); });
  const std::unique_ptr<Timer> timer = toolkit.CreateTimer("Timer1", 10, true, [] { ++ticks; });
  std::thread(AnswerTheBox, std::cref(fake.smartCard)).detach();
  RunHandler([] { throw std::runtime_error("the roster folder has gone"); });
  return 0;
}

TEST(RunHandlerTest, AnEscapedErrorShowsABoxAfterLettingGoOfTheProgramThenEndsWithStatusOne) {
  wchar_t self[MAX_PATH];
  GetModuleFileNameW(nullptr, self, MAX_PATH);
  const std::wstring flag(std::begin(kFailInHandler), std::end(kFailInHandler) - 1);
  WindowsChildProcess child(L"\"" + std::wstring(self) + L"\" " + flag);
  EXPECT_EQ(child.ReadLine(),
            "box: run-time error: the roster folder has gone; ticks while shown: 0; claim free: 1; "
            "watching: 0");
  EXPECT_EQ(child.Wait(), 1ul);
}

std::string Read(const fs::path& path) {
  std::ifstream file(path, std::ios::binary);
  std::ostringstream text;
  text << file.rdbuf();
  return text.str();
}

// A folder of its own for each test, with a Japanese name, standing for the program's folder.
class LogFolder : public ::testing::Test {
 protected:
  LogFolder() { fs::create_directories(folder_); }
  ~LogFolder() override { fs::remove_all(folder_); }

  // The lines for standard error also go to the test's record, which outlives the log's writers.
  void Start() {
    diagnostics_ = std::make_unique<DiagnosticsLog>(
        std::make_shared<Win32LogFiles>(), Narrow(log_.wstring()),
        [record = standardError_](const std::string& text) {
          DiagnosticsLog::StandardError(text);
          const std::lock_guard<std::mutex> lock(record->mutex);
          record->text += text;
        },
        nullptr);
  }
  // Waits until the condition holds; false after 20 seconds.
  template <class Condition>
  static bool WaitFor(Condition&& condition) {
    for (int i = 0; i < 2000; ++i) {
      if (condition()) return true;
      Sleep(10);
    }
    return false;
  }
  // Waits until the log holds the text, as a line of its own.
  bool LogHolds(const std::string& line) {
    return WaitFor([&] { return Read(log_).find(" " + line + "\r\n") != std::string::npos; });
  }
  bool StandardErrorHolds(const std::string& text) {
    return WaitFor([&] {
      const std::lock_guard<std::mutex> lock(standardError_->mutex);
      return standardError_->text.find(text) != std::string::npos;
    });
  }

  struct Record {
    std::mutex mutex;
    std::string text;
  };
  const std::shared_ptr<Record> standardError_ = std::make_shared<Record>();

  const fs::path folder_ = fs::temp_directory_path() /
                           (L"プログラム-" + std::to_wstring(GetCurrentProcessId()) + L"-" +
                            Widen(::testing::UnitTest::GetInstance()->current_test_info()->name()));
  const fs::path log_ = folder_ / L"cardwedge.log";
  const fs::path older_ = folder_ / L"cardwedge.log.1";
  std::unique_ptr<DiagnosticsLog> diagnostics_;
};

// Another program's handle on a file.
HANDLE Hold(const fs::path& path, DWORD access, DWORD share) {
  return CreateFileW(path.c_str(), access, share, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL,
                     nullptr);
}

TEST_F(LogFolder, LinesReachTheLogFileInAJapaneseFolderAndMoveToDotOne) {
  // Nearly full: the next line moves the file to cardwedge.log.1, replacing the older one.
  std::ofstream(log_, std::ios::binary) << std::string(kLogMaxBytes - 10, 'x');
  std::ofstream(older_, std::ios::binary) << "older";
  Start();
  Diagnose("roster loaded: \"名簿.csv\"");
  FlushDiagnostics();
  diagnostics_.reset();
  EXPECT_EQ(Read(older_).size(), kLogMaxBytes - 10);
  const std::string text = Read(log_);
  EXPECT_TRUE(text.ends_with(" roster loaded: \"名簿.csv\"\r\n")) << text;
  EXPECT_EQ(text.size(), 23 + std::string(" roster loaded: \"名簿.csv\"\r\n").size()) << text;
}

// An editor that locks the file it shows against writers, until the log's writer was refused.
TEST_F(LogFolder, LinesWrittenWhileAnEditorLocksTheLogReachItAfterwards) {
  Start();
  Diagnose("roster loaded");
  ASSERT_TRUE(LogHolds("roster loaded"));
  // The log's writer opens the file for each line: the editor gets it once the writer let go.
  HANDLE editor = INVALID_HANDLE_VALUE;
  ASSERT_TRUE(WaitFor([&] {
    editor = Hold(log_, GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ);
    return editor != INVALID_HANDLE_VALUE;
  }));
  Diagnose("reader chosen");
  ASSERT_TRUE(StandardErrorHolds("log file refused, lines wait"));
  CloseHandle(editor);
  Diagnose("reader lost");
  ASSERT_TRUE(LogHolds("reader lost")) << Read(log_);
  const std::string text = Read(log_);
  const std::size_t notice = text.find(" the log file could not be written from ");
  EXPECT_LT(text.find("roster loaded"), notice) << text;
  EXPECT_LT(notice, text.find("reader chosen")) << text;
  EXPECT_LT(text.find("reader chosen"), text.find("reader lost")) << text;
}

// A viewer that follows cardwedge.log.1 shares it for reading and writing, not for deletion.
TEST_F(LogFolder, ALogAtItsLimitLosesNoLineWhileAViewerHoldsDotOne) {
  const std::string full(kLogMaxBytes - 10, 'x');
  std::ofstream(log_, std::ios::binary) << full;
  std::ofstream(older_, std::ios::binary) << "older";
  const HANDLE viewer = Hold(older_, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE);
  ASSERT_NE(viewer, INVALID_HANDLE_VALUE);
  Start();
  Diagnose("roster loaded");
  Diagnose("reader chosen");
  // No reading of the log meanwhile: a reader that does not share deletion holds the rename off.
  FlushDiagnostics();
  EXPECT_GT(fs::file_size(log_), kLogMaxBytes);
  CloseHandle(viewer);
  Diagnose("reader lost");
  diagnostics_.reset();
  const std::string moved = Read(older_);
  ASSERT_TRUE(moved.starts_with(full)) << moved;
  EXPECT_NE(moved.find(" roster loaded\r\n"), std::string::npos) << moved.substr(full.size());
  EXPECT_NE(moved.find(" reader chosen\r\n"), std::string::npos) << moved.substr(full.size());
  EXPECT_EQ(Read(log_).size(), std::string("2026-12-07 09:04:05.007 reader lost\r\n").size());
}

// A folder of the program that this user may not write (here a folder in the log's place).
TEST_F(LogFolder, AProgramFolderThatCannotBeWrittenMovesTheLogToLocalAppData) {
  fs::create_directory(log_);
  Start();
  Diagnose("roster loaded");
  FlushDiagnostics();
  diagnostics_.reset();
  const fs::path own = fs::path(_wgetenv(L"LOCALAPPDATA")) / L"cardwedge" / L"cardwedge.log";
  const std::string text = Read(own);
  fs::remove(own);
  EXPECT_NE(text.find(" the program's folder cannot be written: the log is \"" +
                      Narrow(own.wstring()) + "\"\r\n"),
            std::string::npos)
      << text;
  EXPECT_TRUE(text.ends_with(" roster loaded\r\n")) << text;
}

}  // namespace
}  // namespace cardwedge

int main(int argc, char** argv) {
  if (argc == 2 && std::string(argv[1]) == cardwedge::kFailInHandler) {
    return cardwedge::FailInHandler();
  }
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
