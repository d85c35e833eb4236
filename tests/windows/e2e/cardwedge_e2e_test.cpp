// The real cardwedge.exe under Wine, run from a program folder of its own as a user lays it out:
// the exe, the two sounds, an empty roster folder file, a CP932 roster and the test-double
// winscard.dll and felica_for_vb.dll, steered through their control folders. Keys are read by a
// key target window of another process that holds the focus.

#include <gtest/gtest.h>
// clang-format off
#include <windows.h>
#include <dbt.h>
#include <wtsapi32.h>
// clang-format on

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "bed_support.h"
#include "control_folder.h"
#include "roster/host_watch.h"
#include "roster/roster.h"
#include "roster_line.h"
#include "windows_process.h"

namespace cardwedge {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;
using testbed::kStateTimeout;
using testbed::Utf8;
using testbed::WaitUntil;
using testbed::Wide;
using testbed::WindowsProcess;
using testbed::WinePath;
using Lines = std::vector<std::string>;

constexpr auto kHostCheckInterval = 10s;

struct RosterCard {
  std::string id;
  std::string value;
  std::string cp932Text;
};
const RosterCard kFelicaSato{"012E4C3A0F10889B", "24001", "\x8D\xB2\x93\xA1"};
const RosterCard kPcscSuzuki{"04A22B1A5C3E80", "24002", "\x97\xE9\x96\xD8"};
constexpr char kUnknownUid[] = "11223344";
constexpr char kReader[] = "ACS ACR122U PICC Interface 0";
constexpr wchar_t kFelicaTitle[] = L"cardwedge - FeliCa reader";
constexpr wchar_t kPcscTitle[] = L"cardwedge - PC/SC reader";

// What WindowOf looks for and finds.
struct WindowSearch {
  DWORD processId;
  const std::wstring& title;
  HWND found = nullptr;
};

BOOL CALLBACK MatchWindow(HWND window, LPARAM parameter) {
  auto& search = *reinterpret_cast<WindowSearch*>(parameter);
  DWORD owner = 0;
  GetWindowThreadProcessId(window, &owner);
  wchar_t text[256] = {};
  GetWindowTextW(window, text, 256);
  const std::wstring_view title(text);
  const bool titled = title == search.title || title.starts_with(search.title + L" — ");
  if (owner != search.processId || !titled) return TRUE;
  search.found = window;
  return FALSE;
}

// The top-level window of a process with this title, whatever state the title goes on to show.
HWND WindowOf(DWORD processId, const std::wstring& title) {
  WindowSearch search{processId, title};
  EnumWindows(MatchWindow, reinterpret_cast<LPARAM>(&search));
  return search.found;
}

// Puts the keyboard focus on a control of another process's window, as a person's click does.
void ClickInto(HWND window, HWND control) {
  SetForegroundWindow(window);
  const DWORD own = GetCurrentThreadId();
  const DWORD theirs = GetWindowThreadProcessId(window, nullptr);
  AttachThreadInput(own, theirs, TRUE);
  SetFocus(control);
  AttachThreadInput(own, theirs, FALSE);
}

// The control with the keyboard focus in the thread of a window, while that window is active.
HWND FocusOf(HWND window) {
  GUITHREADINFO info{};
  info.cbSize = sizeof(info);
  if (!GetGUIThreadInfo(GetWindowThreadProcessId(window, nullptr), &info)) return nullptr;
  return info.hwndActive == window ? info.hwndFocus : nullptr;
}

BOOL CALLBACK AppendStaticText(HWND child, LPARAM parameter) {
  wchar_t className[32] = {}, text[1024] = {};
  GetClassNameW(child, className, 32);
  GetWindowTextW(child, text, 1024);
  if (_wcsicmp(className, L"Static") == 0) *reinterpret_cast<std::wstring*>(parameter) += text;
  return TRUE;
}

// The texts of a dialog's static controls, one a line.
std::string StaticTexts(HWND dialog) {
  std::wstring texts;
  EnumChildWindows(dialog, AppendStaticText, reinterpret_cast<LPARAM>(&texts));
  return Utf8(texts);
}

// A program folder in %TEMP% with its own control folders "winscard" and "felica", the roster
// holding one card for each reader, and one reader on the smart-card service.
class CardwedgeE2e : public ::testing::Test {
 protected:
  CardwedgeE2e() {
    static int count = 0;
    folder_ =
        fs::temp_directory_path() /
        ("cardwedge-e2e-" + std::to_string(GetCurrentProcessId()) + "-" + std::to_string(++count));
    testbed::LayOutProgramFolder(folder_, CARDWEDGE_EXE, WINSCARD_DOUBLE, FELICA_DOUBLE);
    Write(Wide(kRosterFolderFileName), "");
    Write(Wide(kRosterFileName),
          RosterLine(kFelicaSato.value, kFelicaSato.cp932Text, kFelicaSato.id) +
              RosterLine(kPcscSuzuki.value, kPcscSuzuki.cp932Text, kPcscSuzuki.id));
    Write(L"winscard\\readers", std::string(kReader) + "\n");
  }

  ~CardwedgeE2e() override {
    processes_.clear();
    std::error_code ignored;
    fs::remove_all(folder_, ignored);
  }

  // Replaces a file of the program folder whole, as the host and the test doubles expect.
  void Write(const std::wstring& name, const std::string& bytes) {
    ASSERT_TRUE(testbed::ReplaceWhole(folder_ / name, bytes));
  }

  WindowsProcess& Start(const std::vector<std::wstring>& words, bool dialogs = false,
                        std::optional<WORD> showWindow = std::nullopt) {
    processes_.push_back(std::make_unique<WindowsProcess>(
        (folder_ / "cardwedge.exe").wstring(), words,
        WindowsProcess::EnvironmentChanges{
            {L"CARDWEDGE_WINSCARD_CONTROL", (folder_ / "winscard").wstring()},
            {L"CARDWEDGE_FELICA_CONTROL", (folder_ / "felica").wstring()},
            {L"CARDWEDGE_NO_DIALOGS", dialogs ? std::nullopt : std::optional<std::wstring>(L"1")}},
        false, showWindow));
    return *processes_.back();
  }

  // The windows have loaded once their first switch-file tick has created the switch file.
  bool WaitUntilRunning(WindowsProcess& program) {
    return WaitUntil([&] { return fs::exists(folder_ / Wide(kSwitchFileName)); }) &&
           !program.Wait(0ms);
  }

  // Opens the key target window, which takes the focus from the program's windows.
  void FocusKeyTarget() {
    processes_.push_back(std::make_unique<WindowsProcess>(
        WinePath(KEY_TARGET_EXE).wstring(), std::vector<std::wstring>{},
        WindowsProcess::EnvironmentChanges{}, true));
    keyTarget_ = processes_.back().get();
    const auto ready = [&] { return std::ranges::count(keyTarget_->Lines(), "ready") > 0; };
    ASSERT_TRUE(WaitUntil(ready));
  }

  // The lines typed into the key target, each ended by Enter.
  Lines Typed() const {
    Lines typed;
    for (const std::string& line : keyTarget_->Lines()) {
      if (line.starts_with("line ")) typed.push_back(line.substr(5));
    }
    return typed;
  }

  // Lines of a test double's log holding this text.
  long LogCount(const char* controlFolder, const std::string& text) const {
    std::ifstream log(folder_ / controlFolder / "log");
    long count = 0;
    for (std::string line; std::getline(log, line);) count += line.find(text) != std::string::npos;
    return count;
  }

  long Connects(const char* result) const {
    return LogCount("winscard", "SCardConnectA reader=\"" + std::string(kReader) +
                                    "\" share=2 protocols=3 = " + result);
  }

  // Lays a card on the PC/SC reader and waits until the program has read its identifier.
  bool LayPcscCard(const std::string& uid) {
    const std::string getData = "SCardTransmit FFCA000000 -> " + uid + "9000";
    const long reads = LogCount("winscard", getData);
    Write(L"winscard\\cards", uid + " 9000 " + kReader + "\n");
    return WaitUntil([&] { return LogCount("winscard", getData) > reads; });
  }

  // Takes the card away and waits until the program has found the reader empty.
  bool TakePcscCardAway() {
    const long empty = Connects("0x8010000C");
    Write(L"winscard\\cards", "");
    return WaitUntil([&] { return Connects("0x8010000C") > empty; });
  }

  // With CARDWEDGE_SCREENSHOT_FOLDER set, asks the screenshot script for a picture: unplugs the
  // FeliCa reader so that its window's title shows a state, lays the program's two windows and
  // the key target one below the other, writes "ready" holding the display, and waits for the
  // script's "taken".
  void OfferScreenshot(DWORD programId) {
    wchar_t folder[MAX_PATH] = {}, display[64] = {};
    if (GetEnvironmentVariableW(L"CARDWEDGE_SCREENSHOT_FOLDER", folder, MAX_PATH) == 0) return;
    GetEnvironmentVariableW(L"DISPLAY", display, 64);
    Write(L"felica\\reader", "unplugged");
    const HWND felica = WindowOf(programId, kFelicaTitle);
    EXPECT_TRUE(WaitUntil([&] {
      wchar_t title[256] = {};
      GetWindowTextW(felica, title, 256);
      return std::wstring_view(title) != kFelicaTitle;
    }));
    int top = 10;
    for (const HWND window : {WindowOf(programId, kFelicaTitle), WindowOf(programId, kPcscTitle),
                              FindWindowW(nullptr, L"key target")}) {
      RECT frame{};
      GetWindowRect(window, &frame);
      SetWindowPos(window, HWND_TOP, 10, top, 0, 0, SWP_NOSIZE | SWP_NOACTIVATE);
      top += frame.bottom - frame.top + 10;
    }
    // A picture, not a state: give the moved windows time to paint.
    std::this_thread::sleep_for(500ms);
    const fs::path signals = std::wstring(L"Z:") + folder;
    std::ofstream(signals / "ready", std::ios::binary) << Utf8(display) << "\n";
    EXPECT_TRUE(WaitUntil([&] { return fs::exists(signals / "taken"); }, 60s));
  }

  fs::path folder_;
  std::vector<std::unique_ptr<WindowsProcess>> processes_;
  WindowsProcess* keyTarget_ = nullptr;
};

TEST_F(CardwedgeE2e, PcscWindowTypesARosterCardOnceNothingForAnUnknownOneAndUidsInRawIdMode) {
  WindowsProcess& program = Start({L"1", L"3"});
  ASSERT_TRUE(WaitUntilRunning(program));
  FocusKeyTarget();
  ASSERT_TRUE(LayPcscCard(kUnknownUid));
  ASSERT_TRUE(TakePcscCardAway());
  ASSERT_TRUE(LayPcscCard(kPcscSuzuki.id));
  EXPECT_TRUE(WaitUntil([&] { return Typed() == Lines{kPcscSuzuki.value}; })) << Typed().size();

  // The card lies there for many more polls and is neither read nor typed again.
  const long connects = Connects("0x00000000");
  ASSERT_TRUE(WaitUntil([&] { return Connects("0x00000000") > connects + 20; }));
  EXPECT_EQ(Typed(), Lines{kPcscSuzuki.value});
  EXPECT_EQ(LogCount("winscard", "-> " + kPcscSuzuki.id), 1);

  // Raw-ID mode comes at the next switch-file tick: lay the unknown card until it is typed.
  Write(Wide(kSwitchFileName), "1");
  EXPECT_TRUE(WaitUntil([&] {
    return TakePcscCardAway() && LayPcscCard(kUnknownUid) &&
           WaitUntil([&] { return Typed().size() > 1; }, 500ms);
  }));
  EXPECT_EQ(Typed(), (Lines{kPcscSuzuki.value, kUnknownUid}));

  Write(Wide(kSwitchFileName), "9");
  EXPECT_EQ(program.Wait(kStateTimeout), 0u);
}

TEST_F(CardwedgeE2e, FelicaWindowTypesARosterCardOnceAndTheIdmInRawIdMode) {
  WindowsProcess& program = Start({L"1", L"2"});
  ASSERT_TRUE(WaitUntilRunning(program));
  FocusKeyTarget();
  const std::string polled = "idm=" + kFelicaSato.id;
  Write(L"felica\\card", kFelicaSato.id + "\n");
  EXPECT_TRUE(WaitUntil([&] { return Typed() == Lines{kFelicaSato.value}; }, 10s));

  // Thirty more polls of the card lying there type nothing more.
  const long polls = LogCount("felica", polled);
  ASSERT_TRUE(WaitUntil([&] { return LogCount("felica", polled) > polls + 30; }));
  EXPECT_EQ(Typed(), Lines{kFelicaSato.value});

  Write(Wide(kSwitchFileName), "1");
  ASSERT_TRUE(WaitUntil([&] { return Typed().size() > 1; }));
  EXPECT_EQ(Typed()[1], kFelicaSato.id);
}

// Wine neither locks a session nor plugs a reader: the test sends what Windows would. Locked, the
// FeliCa window lets the reader go; a card laid then is typed only once laid again after the
// unlock. A library that says nothing of an unplugged reader keeps a dead one until the system's
// device message has it opened again.
TEST_F(CardwedgeE2e, FelicaWindowFollowsTheSessionsLockAndTheSystemsDeviceMessages) {
  Write(L"felica\\count", "untouched");
  WindowsProcess& program = Start({L"1", L"2"});
  ASSERT_TRUE(WaitUntilRunning(program));
  FocusKeyTarget();
  // The program's hidden window that receives the session and device messages.
  const HWND watch = FindWindowW(L"CardwedgeSessionWatch", nullptr);
  ASSERT_NE(watch, nullptr);
  DWORD session = 0;
  ASSERT_TRUE(ProcessIdToSessionId(program.id(), &session));
  const auto count = [&](const std::string& text) { return LogCount("felica", text); };
  const std::string polled = "idm=" + kFelicaSato.id;
  const std::string emptyPoll = "time_slot=0 = 0";

  PostMessageW(watch, WM_WTSSESSION_CHANGE, WTS_SESSION_LOCK, session);
  ASSERT_TRUE(WaitUntil([&] { return count("close_reader_writer = 1") == 1; }));
  Write(L"felica\\card", kFelicaSato.id + "\n");
  const long opens = count("open_reader_writer_auto = 1");
  PostMessageW(watch, WM_WTSSESSION_CHANGE, WTS_SESSION_UNLOCK, session);
  ASSERT_TRUE(WaitUntil([&] { return count(polled) > 20; }));
  EXPECT_EQ(count("open_reader_writer_auto = 1"), opens + 1);
  EXPECT_EQ(Typed(), Lines{});
  const long emptyPolls = count(emptyPoll);
  Write(L"felica\\card", "");
  ASSERT_TRUE(WaitUntil([&] { return count(emptyPoll) > emptyPolls; }));
  Write(L"felica\\card", kFelicaSato.id + "\n");
  EXPECT_TRUE(WaitUntil([&] { return Typed() == Lines{kFelicaSato.value}; }));

  const long readerErrors = count("reader error");
  Write(L"felica\\reader", "unplugged");
  ASSERT_TRUE(WaitUntil([&] { return count("reader error") > readerErrors + 20; }));
  Write(L"felica\\reader", "");
  ASSERT_TRUE(WaitUntil([&] { return count("reader error") > readerErrors + 40; }));
  const long found = count(polled);
  // Sent, not posted: the message carries the address of the device's record.
  DEV_BROADCAST_DEVICEINTERFACE_W device{};
  device.dbcc_size = sizeof(device);
  device.dbcc_devicetype = DBT_DEVTYP_DEVICEINTERFACE;
  ASSERT_NE(SendMessageTimeoutW(watch, WM_DEVICECHANGE, DBT_DEVICEARRIVAL,
                                reinterpret_cast<LPARAM>(&device), SMTO_BLOCK, 5000, nullptr),
            0);
  EXPECT_TRUE(WaitUntil([&] { return count(polled) > found; }));
}

// Closing either window of `1 4` ends the program.
class Mode4E2e : public CardwedgeE2e, public ::testing::WithParamInterface<const wchar_t*> {};

TEST_P(Mode4E2e, CardsOnBothReadersAtOnceAreEachTypedWholeAndClosingAWindowEndsTheProgram) {
  WindowsProcess& program = Start({L"1", L"4"});
  ASSERT_TRUE(WaitUntilRunning(program));
  FocusKeyTarget();
  Write(L"felica\\card", kFelicaSato.id + "\n");
  Write(L"winscard\\cards", kPcscSuzuki.id + " 9000 " + kReader + "\n");
  ASSERT_TRUE(WaitUntil([&] { return Typed().size() >= 2; }));
  Lines typed = Typed();
  std::ranges::sort(typed);
  EXPECT_EQ(typed, (Lines{kFelicaSato.value, kPcscSuzuki.value}));
  OfferScreenshot(program.id());

  const HWND window = WindowOf(program.id(), GetParam());
  ASSERT_NE(window, nullptr);
  PostMessageW(window, WM_CLOSE, 0, 0);
  EXPECT_EQ(program.Wait(kStateTimeout), 0u);
}

INSTANTIATE_TEST_SUITE_P(EitherWindow, Mode4E2e, ::testing::Values(kFelicaTitle, kPcscTitle),
                         [](const auto& info) { return info.index == 0 ? "Felica" : "Pcsc"; });

// The host has the focus when the program starts and keeps it; a staff member who clicks a
// reader window and lays a card gets nothing typed into the window's own controls, and the same
// card laid again at once, with the host focused again, is typed: well within the ten seconds
// that hold back a card that was typed.
TEST_F(CardwedgeE2e, KeysGoOnlyToTheHostNeverIntoTheProgramsOwnWindow) {
  const RosterCard tanaka{"5A3C9E21", "24004", "\x93\x63\x92\x86"};
  Write(Wide(kRosterFileName),
        RosterLine(kPcscSuzuki.value, kPcscSuzuki.cp932Text, kPcscSuzuki.id) +
            RosterLine(tanaka.value, tanaka.cp932Text, tanaka.id) +
            RosterLine(kFelicaSato.value, kFelicaSato.cp932Text, kFelicaSato.id));
  FocusKeyTarget();
  const HWND host = GetForegroundWindow();
  const auto focusHost = [&] {
    SetForegroundWindow(host);
    return WaitUntil([&] { return GetForegroundWindow() == host; });
  };
  WindowsProcess& program = Start({L"1", L"4"});
  ASSERT_TRUE(WaitUntilRunning(program));
  ASSERT_TRUE(LayPcscCard(kPcscSuzuki.id));
  EXPECT_TRUE(WaitUntil([&] { return Typed() == Lines{kPcscSuzuki.value}; })) << Typed().size();
  ASSERT_TRUE(TakePcscCardAway());

  // The click lands in the reader drop-down, whose text names the reader to connect to.
  const HWND window = WindowOf(program.id(), kPcscTitle);
  const HWND readerField = FindWindowExW(FindWindowExW(window, nullptr, L"ComboBox", nullptr),
                                         nullptr, L"Edit", nullptr);
  ASSERT_TRUE(WaitUntil([&] {
    ClickInto(window, readerField);
    return FocusOf(window) == readerField;
  }));
  const long handled = LogCount("winscard", "SCardDisconnect");
  ASSERT_TRUE(LayPcscCard(tanaka.id));
  ASSERT_TRUE(WaitUntil([&] { return LogCount("winscard", "SCardDisconnect") > handled; }));
  auto refusedAt = std::chrono::steady_clock::now();
  EXPECT_EQ(Typed(), Lines{kPcscSuzuki.value});
  ASSERT_TRUE(TakePcscCardAway());

  ASSERT_TRUE(focusHost());
  ASSERT_TRUE(LayPcscCard(tanaka.id));
  EXPECT_TRUE(WaitUntil([&] { return Typed().size() > 1; }));
  EXPECT_EQ(Typed(), (Lines{kPcscSuzuki.value, tanaka.value}));
  EXPECT_LT(std::chrono::steady_clock::now() - refusedAt, 8s);
  ASSERT_TRUE(TakePcscCardAway());

  // The FeliCa window: the card is retried once a poll has found the reader empty.
  const HWND felicaWindow = WindowOf(program.id(), kFelicaTitle);
  ASSERT_TRUE(WaitUntil([&] {
    SetForegroundWindow(felicaWindow);
    return GetForegroundWindow() == felicaWindow;
  }));
  const std::string emptyPoll = "time_slot=0 = 0";
  const long polled = LogCount("felica", "idm=" + kFelicaSato.id);
  Write(L"felica\\card", kFelicaSato.id + "\n");
  ASSERT_TRUE(WaitUntil([&] { return LogCount("felica", "idm=" + kFelicaSato.id) > polled + 2; }));
  refusedAt = std::chrono::steady_clock::now();
  EXPECT_EQ(Typed().size(), 2u);
  const long emptyPolls = LogCount("felica", emptyPoll);
  Write(L"felica\\card", "");
  ASSERT_TRUE(WaitUntil([&] { return LogCount("felica", emptyPoll) > emptyPolls; }));

  ASSERT_TRUE(focusHost());
  Write(L"felica\\card", kFelicaSato.id + "\n");
  EXPECT_TRUE(WaitUntil([&] { return Typed().size() > 2; }));
  EXPECT_EQ(Typed(), (Lines{kPcscSuzuki.value, tanaka.value, kFelicaSato.value}));
  EXPECT_LT(std::chrono::steady_clock::now() - refusedAt, 8s);
}

TEST_F(CardwedgeE2e, WithTheHostWatchOnTheProgramRunsWhileRollbookRunsAndEndsAfterItIsKilled) {
  WindowsProcess host(WinePath(ROLLBOOK_EXE).wstring(), {});
  WindowsProcess& program = Start({L"0", L"3"});
  ASSERT_TRUE(WaitUntilRunning(program));
  // No state shows that a host check has passed: this waits out the first, ten seconds after
  // the window loaded.
  EXPECT_FALSE(program.Wait(kHostCheckInterval + 1s));
  host.Kill();
  EXPECT_EQ(program.Wait(kHostCheckInterval + 5s), 0u);
}

TEST_F(CardwedgeE2e, WithTheHostWatchOnAndNoRollbookTheProgramEndsAtTheFirstCheck) {
  WindowsProcess& program = Start({L"0", L"3"});
  ASSERT_TRUE(WaitUntilRunning(program));
  EXPECT_FALSE(program.Wait(kHostCheckInterval / 2)) << "the program ended before the first check";
  EXPECT_EQ(program.Wait(kHostCheckInterval), 0u);
}

// Wine hands the launcher's show state to the program but applies none of it itself.
TEST_F(CardwedgeE2e, TheWindowsShowMinimizedOrStayHiddenAsTheHostStartedTheProgram) {
  for (const WORD show : {SW_SHOWMINNOACTIVE, SW_HIDE}) {
    WindowsProcess& program = Start({L"1", L"4"}, false, show);
    ASSERT_TRUE(WaitUntilRunning(program));
    for (const wchar_t* title : {kFelicaTitle, kPcscTitle}) {
      const HWND window = WindowOf(program.id(), title);
      ASSERT_NE(window, nullptr) << show;
      EXPECT_EQ(IsWindowVisible(window) != 0, show != SW_HIDE) << show;
      EXPECT_EQ(IsIconic(window) != 0, show == SW_SHOWMINNOACTIVE) << show;
    }
    program.Kill();
    fs::remove(folder_ / Wide(kSwitchFileName));
  }
}

TEST_F(CardwedgeE2e, ASecondStartEndsAtOnceAndLeavesTheFirstRunning) {
  WindowsProcess& first = Start({L"1", L"3"});
  ASSERT_TRUE(WaitUntilRunning(first));
  EXPECT_EQ(Start({L"1", L"2"}).Wait(kStateTimeout), 0u);
  EXPECT_FALSE(first.Wait(0ms));
}

TEST_F(CardwedgeE2e, AMalformedCommandLineShowsTheErrorBoxThatANewStartGetsPastThenExitsWithTwo) {
  WindowsProcess& program = Start({L"x", L"2"}, /*dialogs=*/true);
  HWND box = nullptr;
  ASSERT_TRUE(WaitUntil([&] { return (box = WindowOf(program.id(), L"cardwedge")) != nullptr; }));
  const std::string text = StaticTexts(box);
  EXPECT_NE(text.find("\"x\""), std::string::npos) << text;
  EXPECT_NE(text.find("usage: cardwedge FLAG MODE"), std::string::npos) << text;
  // Owned by a window that never shows: the launcher's start state never reaches the box.
  const HWND owner = GetWindow(box, GW_OWNER);
  EXPECT_TRUE(owner != nullptr && !IsWindowVisible(owner));
  EXPECT_FALSE(program.Wait(0ms)) << "the program ended before the box was closed";
  // The host starts the program again while the box waits for someone.
  EXPECT_TRUE(WaitUntilRunning(Start({L"1", L"3"})));
  PostMessageW(box, WM_COMMAND, IDOK, 0);
  EXPECT_EQ(program.Wait(kStateTimeout), 2u);
}

// Without requestedExecutionLevel a 32-bit program under Program Files runs under UAC
// virtualization: its log and the files it reads would be the user's VirtualStore copies.
TEST_F(CardwedgeE2e, TheManifestRunsTheProgramAsItsInvokerOnEachSupportedWindows) {
  const HMODULE exe = LoadLibraryExW((folder_ / "cardwedge.exe").c_str(), nullptr,
                                     LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE);
  ASSERT_NE(exe, nullptr);
  const HRSRC found = FindResourceW(exe, CREATEPROCESS_MANIFEST_RESOURCE_ID, RT_MANIFEST);
  ASSERT_NE(found, nullptr);
  const std::string manifest(static_cast<const char*>(LockResource(LoadResource(exe, found))),
                             SizeofResource(exe, found));
  for (const char* wanted :
       {R"(<requestedExecutionLevel level="asInvoker" uiAccess="false"/>)",
        "{35138b9a-5d96-4fbd-8e2d-a2440225f93a}", "{4a2f28e3-53b9-4441-ba9c-d69d4a4a6e38}",
        "{1f676c76-80e1-4239-95bb-83d0f6d0da78}", "{8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}"}) {
    EXPECT_NE(manifest.find(wanted), std::string::npos) << wanted;
  }
  FreeLibrary(exe);
}

}  // namespace
}  // namespace cardwedge
