#include "platform/windows/win32_toolkit.h"

#include <cstdio>
#include <set>
#include <stdexcept>

#include "diagnostics/diagnostics.h"
#include "diagnostics/run_handler.h"
#include "platform/windows/wide_text.h"
#include "platform/windows/win32_window.h"

namespace cardwedge {

namespace {

constexpr wchar_t kMessageClass[] = L"CardwedgeMessages";
// Carries a heap-allocated std::function<void()> in lParam.
constexpr UINT kRunTaskMessage = WM_APP + 1;

using Task = std::function<void()>;

// Dialog keys (Tab between controls, arrows in groups) work in the declared windows as in a
// dialog box.
void Dispatch(MSG& message) {
  const HWND root = message.hwnd != nullptr ? GetAncestor(message.hwnd, GA_ROOT) : nullptr;
  if (Win32Window::IsDeclaredWindow(root) && IsDialogMessageW(root, &message)) return;
  TranslateMessage(&message);
  DispatchMessageW(&message);
}

}  // namespace

// A timer of the message window. A tick that comes while the previous one is still running
// (inside a yield) is dropped, so a handler never runs inside itself.
class Win32Timer : public Timer {
 public:
  Win32Timer(HWND window, UINT_PTR id, int intervalMs, std::function<void()> onTick,
             std::map<UINT_PTR, Win32Timer*>& registry)
      : window_(window),
        id_(id),
        intervalMs_(intervalMs),
        onTick_(std::move(onTick)),
        registry_(registry) {
    registry_[id_] = this;
  }
  ~Win32Timer() override {
    SetEnabled(false);
    registry_.erase(id_);
  }
  Win32Timer(const Win32Timer&) = delete;
  Win32Timer& operator=(const Win32Timer&) = delete;

  bool Enabled() const override { return enabled_; }
  void SetEnabled(bool enabled) override {
    if (enabled == enabled_) return;
    if (enabled) {
      if (SetTimer(window_, id_, static_cast<UINT>(intervalMs_), nullptr) == 0) {
        throw std::runtime_error("cannot start a timer");
      }
    } else {
      KillTimer(window_, id_);
    }
    enabled_ = enabled;
  }
  int IntervalMs() const override { return intervalMs_; }

  void Tick() {
    if (!enabled_ || ticking_) return;
    ticking_ = true;
    RunHandler(onTick_);
    ticking_ = false;
  }

 private:
  HWND window_;
  UINT_PTR id_;
  int intervalMs_;
  bool enabled_ = false;
  bool ticking_ = false;
  std::function<void()> onTick_;
  std::map<UINT_PTR, Win32Timer*>& registry_;
};

Win32Toolkit::Win32Toolkit(StartShow startShow) : startShow_(startShow) {}

Win32Toolkit::~Win32Toolkit() {
  const HWND window = messageWindow_.exchange(nullptr);
  if (window == nullptr) return;
  MSG message;
  while (PeekMessageW(&message, window, kRunTaskMessage, kRunTaskMessage, PM_REMOVE)) {
    delete reinterpret_cast<Task*>(message.lParam);
  }
  SetWindowLongPtrW(window, GWLP_USERDATA, 0);
  DestroyWindow(window);
}

HWND Win32Toolkit::MessageWindow() {
  HWND window = messageWindow_.load();
  if (window != nullptr) return window;
  static const ATOM atom = [] {
    WNDCLASSEXW windowClass{};
    windowClass.cbSize = sizeof(windowClass);
    windowClass.lpfnWndProc = MessageProc;
    windowClass.hInstance = GetModuleHandleW(nullptr);
    windowClass.lpszClassName = kMessageClass;
    return RegisterClassExW(&windowClass);
  }();
  (void)atom;
  window = CreateWindowExW(0, kMessageClass, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                           GetModuleHandleW(nullptr), nullptr);
  if (window == nullptr) throw std::runtime_error("cannot create the message window");
  SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
  messageWindow_.store(window);
  return window;
}

LRESULT CALLBACK Win32Toolkit::MessageProc(HWND window, UINT message, WPARAM wParam,
                                           LPARAM lParam) {
  auto* self = reinterpret_cast<Win32Toolkit*>(GetWindowLongPtrW(window, GWLP_USERDATA));
  if (message == kRunTaskMessage) {
    const std::unique_ptr<Task> task(reinterpret_cast<Task*>(lParam));
    RunHandler(*task);
    return 0;
  }
  if (message == WM_TIMER && self != nullptr) {
    const auto found = self->timers_.find(wParam);
    if (found != self->timers_.end()) found->second->Tick();
    return 0;
  }
  return DefWindowProcW(window, message, wParam, lParam);
}

std::unique_ptr<Window> Win32Toolkit::OpenWindow(const WindowDeclaration& declaration) {
  MessageWindow();
  return std::make_unique<Win32Window>(declaration, startShow_);
}

std::unique_ptr<Timer> Win32Toolkit::CreateTimer(const std::string& /*name*/, int intervalMs,
                                                 bool enabled, std::function<void()> onTick) {
  auto timer = std::make_unique<Win32Timer>(MessageWindow(), ++lastTimerId_, intervalMs,
                                            std::move(onTick), timers_);
  timer->SetEnabled(enabled);
  return timer;
}

// Runs what is pending now: posted tasks, input, painting and the ticks of timers that are due.
// A timer coming round a second time means the queue has been through once.
void Win32Toolkit::DoEvents() {
  const HWND messageWindow = MessageWindow();
  std::set<UINT_PTR> ticked;
  MSG message;
  while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
    if (message.message == WM_QUIT) {
      PostQuitMessage(static_cast<int>(message.wParam));
      return;
    }
    if (message.message == WM_TIMER && message.hwnd == messageWindow &&
        !ticked.insert(message.wParam).second) {
      return;
    }
    Dispatch(message);
  }
}

int Win32Toolkit::Run() {
  MessageWindow();
  MSG message;
  while (GetMessageW(&message, nullptr, 0, 0) > 0) Dispatch(message);
  return static_cast<int>(message.wParam);
}

void Win32Toolkit::End(int status) {
  FlushDiagnostics();
  std::fflush(nullptr);
  ExitProcess(static_cast<UINT>(status));
}

// Any window of this process counts, the message boxes too.
bool Win32Toolkit::OwnWindowActive() const {
  const HWND foreground = GetForegroundWindow();
  DWORD process = 0;
  return foreground != nullptr && GetWindowThreadProcessId(foreground, &process) != 0 &&
         process == GetCurrentProcessId();
}

// Topmost and brought to the foreground: the program runs behind its host, often maximized, and
// a box of a background process would otherwise open behind it, unseen. The box has an owner that
// is never shown: the launcher's show state (STARTUPINFO's wShowWindow) goes to the first unowned
// top-level window the program shows ("ShowWindow function", Remarks), so an unowned box after a
// hidden or minimized start would open hidden or minimized. Owned windows are exempt ("MessageBox
// function", hWnd: the owner window).
void Win32Toolkit::ShowError(const std::string& title, const std::string& text) {
  const HWND owner = CreateWindowExW(WS_EX_TOOLWINDOW, L"STATIC", L"", WS_POPUP, 0, 0, 0, 0,
                                     nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
  MessageBoxW(owner, Widen(text).c_str(), Widen(title).c_str(),
              MB_ICONERROR | MB_OK | MB_TOPMOST | MB_SETFOREGROUND);
  if (owner != nullptr) DestroyWindow(owner);
}

void Win32Toolkit::Post(std::function<void()> task) {
  const HWND window = messageWindow_.load();
  if (window == nullptr) return;
  auto owned = std::make_unique<Task>(std::move(task));
  if (PostMessageW(window, kRunTaskMessage, 0, reinterpret_cast<LPARAM>(owned.get()))) {
    static_cast<void>(owned.release());  // the queued message owns it now
  }
}

}  // namespace cardwedge
