#pragma once

#include <chrono>
#include <functional>
#include <memory>
#include <string>

#include "fake_platform.h"
#include "pcsc/pcsc_frm.h"
#include "platform/linux/iconv_text_codec.h"
#include "platform/linux/system_clock.h"
#include "platform/scard/scard_smart_card.h"
#include "temp_folder_files.h"

namespace cardwedge {

// The PC/SC window with the real smart-card service and clock; its timers are fired by the test
// as an event loop would, and what it types is recorded.
class RealServiceWindow {
 public:
  using Duration = std::chrono::milliseconds;

  explicit RealServiceWindow(const std::string& roster = "");

  // Fires the window's due timers every `period` until `done` holds; false after `timeout`.
  bool RunUntil(const std::function<bool()>& done, Duration timeout,
                Duration period = Duration{100});
  // Runs what the reader watch posts, and the restart after a card, but no tick of the presence
  // poll, until `done` holds; false after `timeout`.
  bool RunWatchOnlyUntil(const std::function<bool()>& done, Duration timeout);

  FakeControl& Get(const std::string& name) { return fake.toolkit.window("PCSCfrm").Get(name); }
  std::string Output() { return Get("rbOutput").Text(); }

  FakePlatform fake;
  TempFolderFiles files;
  SystemClock clock;
  IconvTextCodec codec;
  ScardSmartCard smartCard;
  Platform platform{fake.toolkit,   files,      clock, fake.keyboard, fake.sound,
                    fake.processes, fake.guard, codec, smartCard,     fake.felica};
  std::unique_ptr<PCSCfrm> form;
};

}  // namespace cardwedge
