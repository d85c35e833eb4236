#pragma once

#include "common/program_state.h"
#include "fake_felica_library.h"
#include "fake_services.h"
#include "fake_smart_card.h"
#include "fake_toolkit.h"
#include "platform/platform.h"

namespace cardwedge {

// Every service a window uses, as fakes, and the program-wide state the windows share.
struct FakePlatform {
  FakeToolkit toolkit;
  FakeFiles files;
  FakeClock clock;
  FakeKeyboard keyboard;
  FakeSound sound;
  FakeProcesses processes;
  FakeInstanceGuard guard;
  PassThroughTextCodec codec;
  FakeSmartCard smartCard;
  FakeFelicaLibrary felica;
  FakeSession session;
  ProgramState state;
  Platform platform{toolkit, files, clock,     keyboard, sound,  processes,
                    guard,   codec, smartCard, felica,   session};
};

}  // namespace cardwedge
