#include "real_service_window.h"

#include <thread>

#include "roster/roster.h"

namespace cardwedge {

RealServiceWindow::RealServiceWindow()
    : platform{toolkit, files, clock, keyboard, sound, processes, guard, codec, smartCard, felica} {
  files.Write(kRosterFileName, "");
  form = std::make_unique<PCSCfrm>(platform, state);
  form->Form_Load();
  form->Show();
}

bool RealServiceWindow::RunUntil(const std::function<bool()>& done, Duration timeout,
                                 Duration period) {
  const auto deadline = std::chrono::steady_clock::now() + timeout;
  for (;;) {
    toolkit.Tick("Timer2");
    toolkit.Tick("Timer1");
    toolkit.Tick("Timer4");
    toolkit.RunPosted();
    if (done()) return true;
    if (std::chrono::steady_clock::now() >= deadline) return false;
    std::this_thread::sleep_for(period);
  }
}

bool RealServiceWindow::RunWatchOnlyUntil(const std::function<bool()>& done, Duration timeout) {
  const auto deadline = std::chrono::steady_clock::now() + timeout;
  for (;;) {
    toolkit.RunPosted();
    toolkit.Tick("Timer2");
    if (done()) return true;
    if (std::chrono::steady_clock::now() >= deadline) return false;
    std::this_thread::sleep_for(Duration{1});
  }
}

}  // namespace cardwedge
