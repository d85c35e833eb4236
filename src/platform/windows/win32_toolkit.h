#pragma once

#include <windows.h>

#include <atomic>
#include <map>
#include <memory>

#include "platform/toolkit.h"
#include "platform/windows/start_show.h"

namespace cardwedge {

class Win32Timer;

// Plain Win32 windows, timers on a message-only window and the thread's message queue. The
// message window is made on first use by the user-interface thread; until then Post drops tasks,
// as no window could have started a thread yet. The windows show as the launcher asked.
class Win32Toolkit : public Toolkit {
 public:
  explicit Win32Toolkit(StartShow startShow = ProcessStartShow());
  ~Win32Toolkit() override;
  Win32Toolkit(const Win32Toolkit&) = delete;
  Win32Toolkit& operator=(const Win32Toolkit&) = delete;

  std::unique_ptr<Window> OpenWindow(const WindowDeclaration& declaration) override;
  std::unique_ptr<Timer> CreateTimer(const std::string& name, int intervalMs, bool enabled,
                                     std::function<void()> onTick) override;
  void DoEvents() override;
  int Run() override;
  [[noreturn]] void End(int status) override;
  bool OwnWindowActive() const override;
  void ShowError(const std::string& title, const std::string& text) override;
  void Post(std::function<void()> task) override;

 private:
  static LRESULT CALLBACK MessageProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  HWND MessageWindow();

  StartShow startShow_;
  std::atomic<HWND> messageWindow_{nullptr};
  std::map<UINT_PTR, Win32Timer*> timers_;
  UINT_PTR lastTimerId_ = 0;
};

}  // namespace cardwedge
