// An error that escapes a handler shows a message box, and no other handler runs while it shows,
// nor does the program keep the reader watch or its single-instance claim meanwhile; the lines
// reach the log file through the wide-character paths of Windows.

#include <gtest/gtest.h>
#include <windows.h>

#include <atomic>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <memory>
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

TEST(DiagnosticsLogTest, LinesReachTheLogFileInAJapaneseFolderAndMoveToDotOne) {
  const fs::path folder =
      fs::temp_directory_path() / (L"プログラム-" + std::to_wstring(GetCurrentProcessId()));
  fs::create_directories(folder);
  const fs::path log = folder / L"cardwedge.log";
  // Nearly full: the next line moves the file to cardwedge.log.1, replacing the older one.
  std::ofstream(log, std::ios::binary) << std::string(kLogMaxBytes - 10, 'x');
  std::ofstream(fs::path(log) += L".1", std::ios::binary) << "older";
  {
    DiagnosticsLog diagnostics(log, DiagnosticsLog::StandardError, nullptr);
    Diagnose("roster loaded: \"名簿.csv\"");
    FlushDiagnostics();
  }
  EXPECT_EQ(Read(fs::path(log) += L".1").size(), kLogMaxBytes - 10);
  const std::string text = Read(log);
  EXPECT_TRUE(text.ends_with(" roster loaded: \"名簿.csv\"\r\n")) << text;
  EXPECT_EQ(text.size(), 23 + std::string(" roster loaded: \"名簿.csv\"\r\n").size()) << text;
  fs::remove_all(folder);
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
