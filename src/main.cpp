#include <cstdlib>
#include <cstring>
#include <iostream>
#include <string>

#include "platform/flock/flock_instance_guard.h"
#include "platform/iconv/iconv_text_codec.h"
#include "platform/libnfc/libnfc_felica_library.h"
#include "platform/pcsclite/pcsclite_smart_card.h"
#include "platform/platform.h"
#include "platform/posix/posix_files.h"
#include "platform/posix/system_clock.h"
#include "platform/procfs/procfs_processes.h"
#include "platform/qt/qt_sound.h"
#include "platform/qt/qt_toolkit.h"
#include "platform/xtest/xtest_keyboard.h"
#include "roster/roster.h"
#include "startup/command_line.h"
#include "startup/form1.h"

#ifndef CARDWEDGE_VERSION
#define CARDWEDGE_VERSION "unknown"
#endif

namespace {

using namespace cardwedge;

std::string JoinArguments(int argc, char** argv) {
  std::string text;
  for (int i = 1; i < argc; ++i) {
    if (i > 1) text += ' ';
    text += argv[i];
  }
  return text;
}

bool DialogsWanted() {
  const char* noDialogs = std::getenv("CARDWEDGE_NO_DIALOGS");
  if (noDialogs != nullptr && std::strcmp(noDialogs, "1") == 0) return false;
  const char* display = std::getenv("DISPLAY");
  const char* wayland = std::getenv("WAYLAND_DISPLAY");
  return (display != nullptr && *display != '\0') || (wayland != nullptr && *wayland != '\0');
}

// A fatal start-up problem: one line on stderr, and a message box as a desktop program shows it.
int ReportFatal(Toolkit& toolkit, const std::string& text, int status) {
  std::cerr << "cardwedge: " << text << std::flush;
  if (DialogsWanted()) toolkit.ShowError("cardwedge", text);
  return status;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc == 2 && std::strcmp(argv[1], "--help") == 0) {
    std::cout << kUsage;
    return 0;
  }
  if (argc == 2 && std::strcmp(argv[1], "--version") == 0) {
    std::cout << "cardwedge " << CARDWEDGE_VERSION << "\n";
    return 0;
  }

  QtToolkit toolkit;
  PosixFiles files;
  SystemClock clock;
  XtestKeyboard keyboard;
  QtSound sound;
  ProcfsProcesses processes;
  FlockInstanceGuard instanceGuard(FlockInstanceGuard::DefaultLockPath());
  IconvTextCodec textCodec;
  PcscLiteSmartCard smartCard;
  LibnfcFelicaLibrary felicaLibrary;
  Platform platform{toolkit,   files,         clock,     keyboard,  sound,
                    processes, instanceGuard, textCodec, smartCard, felicaLibrary};

  ProgramState state;
  Form1 form1(platform, state);
  try {
    if (form1.Form_Load(JoinArguments(argc, argv)) != StartOutcome::kWindowsOpen) return 0;
  } catch (const CommandLineError& error) {
    return ReportFatal(toolkit, std::string(error.what()) + "\n" + kUsage, 2);
  } catch (const RosterError& error) {
    return ReportFatal(toolkit, std::string(error.what()) + "\n", 3);
  } catch (const std::exception& error) {
    return ReportFatal(toolkit, std::string("start-up failed: ") + error.what() + "\n", 1);
  }
  return toolkit.Run();
}
