#include "platform/make_platform.h"

#include "platform/flock/flock_instance_guard.h"
#include "platform/iconv/iconv_text_codec.h"
#include "platform/libnfc/libnfc_felica_library.h"
#include "platform/posix/posix_files.h"
#include "platform/posix/system_clock.h"
#include "platform/procfs/procfs_processes.h"
#include "platform/qt/qt_sound.h"
#include "platform/qt/qt_toolkit.h"
#include "platform/scard/scard_smart_card.h"
#include "platform/xtest/xtest_keyboard.h"

namespace cardwedge {
namespace {

// Qt windows and sound, X11 keystrokes, pcsc-lite, libnfc, and the POSIX services.
class LinuxServices : public PlatformServices {
 public:
  Platform& platform() override { return platform_; }

 private:
  QtToolkit toolkit_;
  PosixFiles files_;
  SystemClock clock_;
  XtestKeyboard keyboard_;
  QtSound sound_;
  ProcfsProcesses processes_;
  FlockInstanceGuard instanceGuard_{FlockInstanceGuard::DefaultLockPath()};
  IconvTextCodec textCodec_;
  ScardSmartCard smartCard_;
  LibnfcFelicaLibrary felicaLibrary_;
  Platform platform_{toolkit_,   files_,         clock_,     keyboard_,  sound_,
                     processes_, instanceGuard_, textCodec_, smartCard_, felicaLibrary_};
};

}  // namespace

std::unique_ptr<PlatformServices> MakePlatform() { return std::make_unique<LinuxServices>(); }

}  // namespace cardwedge
