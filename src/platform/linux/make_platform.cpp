#include "platform/make_platform.h"

#include <csignal>
#include <memory>

#include "diagnostics/diagnostics.h"
#include "diagnostics/diagnostics_log.h"

#include "platform/linux/dbus_input_method_bus.h"
#include "platform/linux/flock_instance_guard.h"
#include "platform/linux/iconv_text_codec.h"
#include "platform/linux/libnfc_felica_library.h"
#include "platform/linux/linux_keyboard.h"
#include "platform/linux/linux_site_probes.h"
#include "platform/linux/posix_files.h"
#include "platform/linux/posix_log_files.h"
#include "platform/linux/procfs_processes.h"
#include "platform/linux/system_clock.h"
#include "platform/qt/qt_sound.h"
#include "platform/qt/qt_toolkit.h"
#include "platform/scard/scard_smart_card.h"

namespace cardwedge {
namespace {

// Qt windows and sound, X11 and Wayland keystrokes refused while the input method composes,
// pcsc-lite, libnfc, and the POSIX services.
class LinuxServices : public PlatformServices {
 public:
  Platform& platform() override { return platform_; }
  SiteProbes& siteProbes() override { return siteProbes_; }

 private:
  // A launcher that went away leaves stderr a pipe without a reader: a write to it (Qt writes
  // its warnings there too, from the start) must fail, not end the program. First, so before any.
  struct IgnoreBrokenPipes {
    IgnoreBrokenPipes() { std::signal(SIGPIPE, SIG_IGN); }
  } ignoreBrokenPipes_;
  QtToolkit toolkit_;
  PosixFiles files_;
  DiagnosticsLog log_{std::make_shared<PosixLogFiles>(),
                      files_.JoinPath(files_.ProgramFolder(), kLogFileName),
                      DiagnosticsLog::StandardError, nullptr};
  SystemClock clock_;
  LinuxKeyboard keyboard_;
  struct SayWhichKeyboard {
    explicit SayWhichKeyboard(const LinuxKeyboard& keyboard) { Diagnose(keyboard.Description()); }
  } sayWhichKeyboard_{keyboard_};
  InputMethodKeyboard checkedKeyboard_{keyboard_, std::make_unique<SessionInputMethod>()};
  QtSound sound_;
  ProcfsProcesses processes_;
  FlockInstanceGuard instanceGuard_{FlockInstanceGuard::DefaultLockPath()};
  IconvTextCodec textCodec_;
  ScardSmartCard smartCard_;
  LibnfcFelicaLibrary felicaLibrary_;
  Platform platform_{toolkit_,   files_,         clock_,     checkedKeyboard_, sound_,
                     processes_, instanceGuard_, textCodec_, smartCard_,       felicaLibrary_};
  LinuxSiteProbes siteProbes_;
};

}  // namespace

// Linux searches no current folder for libraries: nothing to settle.
void PrepareProcess() {}

std::unique_ptr<PlatformServices> MakePlatform() { return std::make_unique<LinuxServices>(); }

}  // namespace cardwedge
