#pragma once

#include "platform/clock.h"
#include "platform/felica_library.h"
#include "platform/files.h"
#include "platform/instance_guard.h"
#include "platform/keyboard.h"
#include "platform/processes.h"
#include "platform/session.h"
#include "platform/smart_card.h"
#include "platform/sound.h"
#include "platform/text_codec.h"
#include "platform/toolkit.h"

namespace cardwedge {

// The operating-system services the windows use, wired once by main (real backends) or by a
// test (fakes).
struct Platform {
  Toolkit& toolkit;
  Files& files;
  Clock& clock;
  Keyboard& keyboard;
  Sound& sound;
  Processes& processes;
  InstanceGuard& instanceGuard;
  TextCodec& textCodec;
  SmartCard& smartCard;
  FelicaLibrary& felicaLibrary;
  // Where no backend follows the session, it is taken as always at its desk.
  Session& session = AlwaysAtDesk();

 private:
  static Session& AlwaysAtDesk() {
    static SessionAlwaysAtDesk session;
    return session;
  }
};

}  // namespace cardwedge
