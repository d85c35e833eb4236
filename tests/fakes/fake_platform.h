#pragma once

#include "fake_services.h"
#include "fake_toolkit.h"
#include "platform/platform.h"

namespace cardwedge {

// Every service a window uses, as fakes. The smart
// card and FeliCa library are given by the test.
struct FakePlatform {
  FakePlatform(SmartCard& smartCard, FelicaLibrary& felicaLibrary)
      : platform{toolkit,   files, clock, keyboard,  sound,
                 processes, guard, codec, smartCard, felicaLibrary} {}

  FakeToolkit toolkit;
  FakeFiles files;
  FakeClock clock;
  FakeKeyboard keyboard;
  FakeSound sound;
  FakeProcesses processes;
  FakeInstanceGuard guard;
  PassThroughTextCodec codec;
  Platform platform;
};

}  // namespace cardwedge
