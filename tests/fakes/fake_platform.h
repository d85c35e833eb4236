#pragma once

#include "fake_services.h"
#include "fake_toolkit.h"
#include "platform/iconv/iconv_text_codec.h"
#include "platform/platform.h"

namespace cardwedge {

// Every service a window uses, as fakes or real files in a temporary program folder. The smart
// card and FeliCa library are given by the test.
struct FakePlatform {
  FakePlatform(SmartCard& smartCard, FelicaLibrary& felicaLibrary)
      : platform{toolkit,   files, clock, keyboard,  sound,
                 processes, guard, codec, smartCard, felicaLibrary} {}

  FakeToolkit toolkit;
  TempFolderFiles files;
  FakeClock clock;
  FakeKeyboard keyboard;
  FakeSound sound;
  FakeProcesses processes;
  FakeInstanceGuard guard;
  IconvTextCodec codec;
  Platform platform;
};

}  // namespace cardwedge
