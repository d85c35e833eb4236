#include "real_service_window.h"

#include "roster/roster.h"
#include "wait_until.h"

namespace cardwedge {

RealServiceWindow::RealServiceWindow(const std::string& roster) {
  files.Write(kRosterFileName, roster);
  form = std::make_unique<PCSCfrm>(platform, fake.state);
  form->Form_Load();
  form->Show();
}

bool RealServiceWindow::RunUntil(const std::function<bool()>& done, Duration timeout,
                                 Duration period) {
  const auto tickThenCheck = [&] {
    for (const char* timer : {"Timer2", "Timer1", "EndReadTimer", "Timer4"})
      fake.toolkit.Tick(timer);
    fake.toolkit.RunPosted();
    return done();
  };
  return testbed::WaitUntil(tickThenCheck, timeout, period);
}

bool RealServiceWindow::RunWatchOnlyUntil(const std::function<bool()>& done, Duration timeout) {
  const auto postedThenCheck = [&] {
    fake.toolkit.RunPosted();
    fake.toolkit.Tick("EndReadTimer");
    fake.toolkit.Tick("Timer2");
    return done();
  };
  return testbed::WaitUntil(postedThenCheck, timeout, Duration{1});
}

}  // namespace cardwedge
