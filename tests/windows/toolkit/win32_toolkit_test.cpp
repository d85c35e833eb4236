#include <gtest/gtest.h>
#include <windows.h>
// After windows.h.
#include <richedit.h>

#include <chrono>
#include <functional>
#include <future>
#include <string>
#include <thread>
#include <vector>

#include "felica/felica_form1.h"
#include "pcsc/apdu_console.h"
#include "pcsc/pcsc_frm.h"
#include "platform/windows/start_show.h"
#include "platform/windows/wide_text.h"
#include "platform/windows/win32_toolkit.h"
#include "platform/windows/win32_window.h"

namespace cardwedge {
namespace {

using std::chrono::milliseconds;

// Lets events run until `done` holds or the time is up; returns whether it holds.
bool PumpUntil(Toolkit& toolkit, const std::function<bool()>& done,
               milliseconds timeout = milliseconds(2000)) {
  const auto deadline = std::chrono::steady_clock::now() + timeout;
  while (!done()) {
    if (std::chrono::steady_clock::now() > deadline) return false;
    toolkit.DoEvents();
    Sleep(10);
  }
  return true;
}

void Pump(Toolkit& toolkit, milliseconds time) {
  PumpUntil(
      toolkit, [] { return false; }, time);
}

RECT RectInParent(HWND window) {
  RECT rect{};
  GetWindowRect(window, &rect);
  MapWindowPoints(HWND_DESKTOP, GetParent(window), reinterpret_cast<POINT*>(&rect), 2);
  return rect;
}

// A left click through the system's input queue, as the mouse makes it: the system decides
// which window receives it.
void ClickWithMouse(HWND target) {
  RECT rect{};
  GetWindowRect(target, &rect);
  const int x = (rect.left + rect.right) / 2;
  const int y = (rect.top + rect.bottom) / 2;
  INPUT inputs[3]{};
  for (INPUT& input : inputs) input.type = INPUT_MOUSE;
  inputs[0].mi.dx = MulDiv(x, 65535, GetSystemMetrics(SM_CXSCREEN) - 1);
  inputs[0].mi.dy = MulDiv(y, 65535, GetSystemMetrics(SM_CYSCREEN) - 1);
  inputs[0].mi.dwFlags = MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE;
  inputs[1].mi.dwFlags = MOUSEEVENTF_LEFTDOWN;
  inputs[2].mi.dwFlags = MOUSEEVENTF_LEFTUP;
  SendInput(3, inputs, sizeof(INPUT));
}

void TypeVirtualKeys(const std::vector<WORD>& keys) {
  std::vector<INPUT> inputs;
  for (WORD key : keys) {
    for (DWORD flags : {DWORD{0}, DWORD{KEYEVENTF_KEYUP}}) {
      INPUT input{};
      input.type = INPUT_KEYBOARD;
      input.ki.wVk = key;
      input.ki.dwFlags = flags;
      inputs.push_back(input);
    }
  }
  SendInput(static_cast<UINT>(inputs.size()), inputs.data(), sizeof(INPUT));
}

// The PC/SC window shown and enlarged so that all of its controls are on the screen.
std::unique_ptr<Win32Window> OpenWholePcscWindow(Toolkit& toolkit) {
  std::unique_ptr<Window> opened = toolkit.OpenWindow(PCSCfrm::Declaration());
  std::unique_ptr<Win32Window> window(static_cast<Win32Window*>(opened.release()));
  window->Show();
  SetWindowPos(window->hwnd(), nullptr, 0, 0, 800, 650, SWP_NOZORDER);
  SetForegroundWindow(window->hwnd());
  Pump(toolkit, milliseconds(200));
  return window;
}

TEST(Win32Toolkit, RendersBothWindowsFromTheirDeclarations) {
  struct Case {
    WindowDeclaration declaration;
    SIZE clientPixels;
    const wchar_t* japaneseCaption;  // of the second control
  };
  Win32Toolkit toolkit;
  for (const Case& test :
       {Case{FelicaForm1::Declaration(),
             {490, 160},
             L"FeliCaリーダーのカードを検出し、学籍番号をホストアプリへ送ります"},
        Case{PCSCfrm::Declaration(),
             {491, 152},
             L"PC/SCカードを読み取り、学籍番号をホストへ送ります"}}) {
    SCOPED_TRACE(test.declaration.name);
    std::unique_ptr<Window> opened = toolkit.OpenWindow(test.declaration);
    auto& window = static_cast<Win32Window&>(*opened);
    ASSERT_EQ(window.dpi(), 96) << "Wine's default density";

    wchar_t title[100]{};
    GetWindowTextW(window.hwnd(), title, 100);
    EXPECT_EQ(Narrow(title), test.declaration.title);
    window.SetTitle(test.declaration.title + " — 一時停止中");
    GetWindowTextW(window.hwnd(), title, 100);
    EXPECT_EQ(title, Widen(test.declaration.title) + L" — 一時停止中");
    RECT client{};
    GetClientRect(window.hwnd(), &client);
    EXPECT_EQ(client.right, test.clientPixels.cx);
    EXPECT_EQ(client.bottom, test.clientPixels.cy);
    // The caption reaches Windows as UTF-16, not as bytes of some code page.
    wchar_t caption[100]{};
    GetWindowTextW(window.Get(test.declaration.controls[1].name).hwnd(), caption, 100);
    EXPECT_STREQ(caption, test.japaneseCaption);

    for (const ControlDeclaration& declared : test.declaration.controls) {
      SCOPED_TRACE(declared.name);
      Win32Control& control = window.Get(declared.name);
      EXPECT_EQ(control.Text(), declared.text);
      EXPECT_EQ(control.Enabled(), declared.enabled);
      EXPECT_EQ(control.Visible(), declared.visible);
      const HWND parent =
          declared.parent.empty() ? window.hwnd() : window.Get(declared.parent).hwnd();
      EXPECT_EQ(GetParent(control.hwnd()), parent);
      const RECT rect = RectInParent(control.hwnd());
      EXPECT_EQ(rect.left, declared.bounds.left / 15);
      EXPECT_EQ(rect.top, declared.bounds.top / 15);
      EXPECT_EQ(rect.right - rect.left, declared.bounds.width / 15);
      // A combo box's window also holds its drop-down list.
      if (declared.kind != ControlKind::kComboBox) {
        EXPECT_EQ(rect.bottom - rect.top, declared.bounds.height / 15);
      }
      LOGFONTW font{};
      GetObjectW(reinterpret_cast<HFONT>(SendMessageW(control.hwnd(), WM_GETFONT, 0, 0)),
                 sizeof(font), &font);
      if (declared.fontPoints == 10) {
        EXPECT_EQ(font.lfHeight, -13);
      }
    }
  }
}

// How this process's error box showed.
// (Wine 8 does not show MB_TOPMOST in the box's style: a step of docs/windows-checks.md.)
struct BoxSeen {
  bool visible = false;
  bool ownerNeverShown = false;
};

// Waits for this process's message box with the title, notes how it shows, then closes it.
BoxSeen AnswerBox(const wchar_t* title) {
  BoxSeen seen;
  HWND box = nullptr;
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
  while (std::chrono::steady_clock::now() < deadline) {
    box = FindWindowW(L"#32770", title);
    if (box != nullptr && IsWindowVisible(box)) break;
    Sleep(10);
  }
  if (box == nullptr) return seen;
  const HWND owner = GetWindow(box, GW_OWNER);
  seen = {IsWindowVisible(box) != 0 && IsIconic(box) == 0,
          owner != nullptr && IsWindowVisible(owner) == 0 && IsIconic(owner) == 0};
  PostMessageW(box, WM_COMMAND, IDOK, 0);
  return seen;
}

// Wine starts every program normal, whatever the launcher asks: the decision is pinned here, and
// the windows' showing in each state. On Windows the launcher's state goes to the first unowned
// top-level window shown ("ShowWindow function", Remarks): the windows are shown without
// ShowWindow, a minimized start creates them minimized, and the error box has an owner that never
// shows.
TEST(Win32Toolkit, WindowsShowAsTheLauncherAskedAndNeverTakeTheFocus) {
  EXPECT_EQ(StartShowFor(0, SW_HIDE), StartShow::kNormal);
  EXPECT_EQ(StartShowFor(STARTF_USESHOWWINDOW, SW_HIDE), StartShow::kHidden);
  for (WORD minimized : {SW_SHOWMINIMIZED, SW_MINIMIZE, SW_SHOWMINNOACTIVE}) {
    EXPECT_EQ(StartShowFor(STARTF_USESHOWWINDOW, minimized), StartShow::kMinimized) << minimized;
  }
  for (WORD other : {SW_SHOWNORMAL, SW_SHOWMAXIMIZED, SW_SHOW, SW_SHOWNOACTIVATE, SW_SHOWNA}) {
    EXPECT_EQ(StartShowFor(STARTF_USESHOWWINDOW, other), StartShow::kNormal) << other;
  }

  Win32Toolkit hostToolkit;
  const std::unique_ptr<Win32Window> host = OpenWholePcscWindow(hostToolkit);
  RECT normalFrame{};
  for (StartShow start : {StartShow::kNormal, StartShow::kMinimized, StartShow::kHidden}) {
    SCOPED_TRACE(static_cast<int>(start));
    Win32Toolkit toolkit(start);
    std::unique_ptr<Window> opened = toolkit.OpenWindow(FelicaForm1::Declaration());
    const HWND window = static_cast<Win32Window&>(*opened).hwnd();
    EXPECT_EQ(IsIconic(window) != 0, start == StartShow::kMinimized);
    opened->Show();
    Pump(toolkit, milliseconds(100));
    EXPECT_EQ(IsWindowVisible(window) != 0, start != StartShow::kHidden);
    EXPECT_EQ(IsIconic(window) != 0, start == StartShow::kMinimized);
    EXPECT_EQ(GetForegroundWindow(), host->hwnd());
    // Restored, the window has the place and size of a normal start.
    WINDOWPLACEMENT placement{};
    placement.length = sizeof placement;
    GetWindowPlacement(window, &placement);
    if (start == StartShow::kNormal) normalFrame = placement.rcNormalPosition;
    EXPECT_TRUE(EqualRect(&placement.rcNormalPosition, &normalFrame));

    std::future<BoxSeen> seen = std::async(std::launch::async, AnswerBox, L"start state box");
    toolkit.ShowError("start state box", "the roster cannot be read");
    const BoxSeen box = seen.get();
    EXPECT_TRUE(box.visible);
    EXPECT_TRUE(box.ownerNeverShown);
  }
}

TEST(Win32Toolkit, ReaderListKeepsWhatTheProgramPutsIn) {
  Win32Toolkit toolkit;
  std::unique_ptr<Window> opened = toolkit.OpenWindow(PCSCfrm::Declaration());
  Control& readers = opened->Get("cbReader");
  readers.AddItem("Virtual PCD 00 00");
  readers.AddItem("ACS ACR122U 00 00");
  EXPECT_EQ(readers.Text(), "");
  readers.SetListIndex(1);
  EXPECT_EQ(readers.Text(), "ACS ACR122U 00 00");
  readers.ClearItems();
  EXPECT_EQ(readers.ItemCount(), 0);
  EXPECT_EQ(readers.Text(), "ACS ACR122U 00 00");
  readers.AddItem("Virtual PCD 00 00");
  readers.SetText("Virtual PCD 00 00");
  EXPECT_EQ(readers.ListIndex(), 0);
}

std::string Lines(int first, int last) {
  std::string lines;
  for (int n = first; n <= last; ++n) lines += std::to_string(n) + "\n";
  return lines;
}

// The top of the line in the pane's client coordinates.
LONG LineTop(HWND pane, LRESULT line) {
  POINTL position{};
  SendMessageW(pane, EM_POSFROMCHAR, reinterpret_cast<WPARAM>(&position),
               SendMessageW(pane, EM_LINEINDEX, static_cast<WPARAM>(line), 0));
  return position.y;
}

TEST(Win32Toolkit, OutputPaneKeepsTheNewestLinesAndShowsTheNewestLast) {
  Win32Toolkit toolkit;
  std::unique_ptr<Window> opened = toolkit.OpenWindow(PCSCfrm::Declaration());
  auto& window = static_cast<Win32Window&>(*opened);
  window.Show();
  Control& output = window.Get("rbOutput");
  const HWND pane = window.Get("rbOutput").hwnd();
  output.AppendText(Lines(1, kRichTextMaxLines));
  for (int n = kRichTextMaxLines + 1; n <= kRichTextMaxLines + 5; ++n) {
    output.AppendText(std::to_string(n) + "\n");
  }
  EXPECT_EQ(output.Text(), Lines(6, kRichTextMaxLines + 5));

  // The newest line is wholly in view; the caret's empty line after it is not.
  RECT view{};
  SendMessageW(pane, EM_GETRECT, 0, reinterpret_cast<LPARAM>(&view));
  const LRESULT caretLine = SendMessageW(pane, EM_GETLINECOUNT, 0, 0) - 1;
  const LONG newestTop = LineTop(pane, caretLine - 1);
  const LONG caretTop = LineTop(pane, caretLine);
  EXPECT_GE(newestTop, view.top);
  EXPECT_LE(caretTop, view.bottom);
  EXPECT_GT(caretTop + (caretTop - newestTop), view.bottom);

  output.SetText("");
  EXPECT_EQ(output.Text(), "");
}

TEST(Win32Toolkit, TabFollowsTheDeclaredOrderInsideAFrame) {
  Win32Toolkit toolkit;
  std::unique_ptr<Window> opened = toolkit.OpenWindow(PCSCfrm::Declaration());
  auto& window = static_cast<Win32Window&>(*opened);
  const HWND frame = window.Get("Frame2").hwnd();
  HWND current = window.Get("btnSendCommand").hwnd();
  for (const char* next :
       {"tbData", "tbLe", "tbLc", "tbP2", "tbP1", "tbINS", "tbCLA", "btnSendCommand"}) {
    current = GetNextDlgTabItem(frame, current, FALSE);
    EXPECT_EQ(current, window.Get(next).hwnd()) << "expected " << next;
  }
}

// A click sent through the input queue is the proof: BM_CLICK or a WM_LBUTTONDOWN posted
// straight to the button would reach it whatever its container's state.
TEST(Win32Toolkit, DisabledContainerRefusesClicksWhileItsControlsKeepTheirOwnState) {
  Win32Toolkit toolkit;
  std::unique_ptr<Win32Window> window = OpenWholePcscWindow(toolkit);
  for (const auto& [container, button] :
       {std::pair{"Frame1", "btnGetData"}, std::pair{"Picture1", "btnInit"}}) {
    SCOPED_TRACE(button);
    int clicks = 0;
    window->Get(button).OnClick([&clicks] { ++clicks; });
    window->Get(container).SetEnabled(false);
    ClickWithMouse(window->Get(button).hwnd());
    Pump(toolkit, milliseconds(300));
    EXPECT_EQ(clicks, 0);
    EXPECT_TRUE(window->Get(button).Enabled());

    window->Get(container).SetEnabled(true);
    ClickWithMouse(window->Get(button).hwnd());
    EXPECT_TRUE(PumpUntil(toolkit, [&clicks] { return clicks == 1; }));
  }
}

TEST(Win32Toolkit, ClosingByTheFrameRunsTheHandlerAndKeepsTheWindow) {
  Win32Toolkit toolkit;
  std::unique_ptr<Window> opened = toolkit.OpenWindow(FelicaForm1::Declaration());
  auto& window = static_cast<Win32Window&>(*opened);
  int closes = 0;
  window.OnClose([&closes] { ++closes; });
  SendMessageW(window.hwnd(), WM_SYSCOMMAND, SC_CLOSE, 0);
  EXPECT_EQ(closes, 1);
  EXPECT_TRUE(IsWindow(window.hwnd()));
}

TEST(Win32Toolkit, KeyFilterReplacesAndDropsTypedCharacters) {
  Win32Toolkit toolkit;
  std::unique_ptr<Win32Window> window = OpenWholePcscWindow(toolkit);
  window->Get("Frame2").SetEnabled(true);
  Control& field = window->Get("tbCLA");
  field.OnKeyPress(FilterHexKey);
  field.SetFocus();
  ASSERT_TRUE(field.HasFocus());
  TypeVirtualKeys({'X', 'A', 'G', '1', 'B'});
  // x and g are dropped, a becomes A, and the field holds two characters at most.
  EXPECT_TRUE(PumpUntil(toolkit, [&field] { return field.Text() == "A1"; })) << field.Text();
}

TEST(Win32Toolkit, TimersTickOnlyWhileEnabledAndAYieldRunsAPendingTick) {
  Win32Toolkit toolkit;
  int due = 0;
  int disabled = 0;
  int stopped = 0;
  const auto dueTimer = toolkit.CreateTimer("due", 30, true, [&due] { ++due; });
  const auto disabledTimer =
      toolkit.CreateTimer("disabled", 30, false, [&disabled] { ++disabled; });
  const auto stoppedTimer = toolkit.CreateTimer("stopped", 30, true, [&stopped] { ++stopped; });
  EXPECT_EQ(dueTimer->IntervalMs(), 30);
  Sleep(100);
  stoppedTimer->SetEnabled(false);
  toolkit.DoEvents();
  EXPECT_EQ(due, 1) << "one pending tick, run inside the yield";
  EXPECT_EQ(disabled, 0);
  EXPECT_EQ(stopped, 0);
  EXPECT_TRUE(PumpUntil(toolkit, [&due] { return due >= 3; }));
  EXPECT_EQ(disabled + stopped, 0);
}

TEST(Win32Toolkit, ATickYieldingRunsOtherTicksButNeverItself) {
  Win32Toolkit toolkit;
  int depth = 0;
  int deepest = 0;
  int other = 0;
  const auto otherTimer = toolkit.CreateTimer("other", 20, true, [&other] { ++other; });
  const auto yielding = toolkit.CreateTimer("yielding", 20, true, [&] {
    deepest = std::max(deepest, ++depth);
    Sleep(60);
    toolkit.DoEvents();
    --depth;
  });
  Pump(toolkit, milliseconds(300));
  EXPECT_EQ(deepest, 1);
  EXPECT_GT(other, 0);
}

TEST(Win32Toolkit, PostFromAnotherThreadRunsOnTheUserInterfaceThread) {
  Win32Toolkit toolkit;
  toolkit.DoEvents();
  std::vector<DWORD> ranOn;
  std::thread poster(
      [&toolkit, &ranOn] { toolkit.Post([&ranOn] { ranOn.push_back(GetCurrentThreadId()); }); });
  poster.join();
  EXPECT_TRUE(ranOn.empty());
  toolkit.DoEvents();
  EXPECT_EQ(ranOn, std::vector<DWORD>{GetCurrentThreadId()});
}

}  // namespace
}  // namespace cardwedge
