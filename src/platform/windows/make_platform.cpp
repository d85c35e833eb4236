#include "platform/make_platform.h"

#include <windows.h>

#include <string>

#include "diagnostics/diagnostics_log.h"
#include "platform/scard/scard_smart_card.h"
#include "platform/windows/ansi_text_codec.h"
#include "platform/windows/felica_dll_library.h"
#include "platform/windows/library_loading.h"
#include "platform/windows/local_clock.h"
#include "platform/windows/mutex_instance_guard.h"
#include "platform/windows/playsound_sound.h"
#include "platform/windows/sendinput_keyboard.h"
#include "platform/windows/wide_text.h"
#include "platform/windows/win32_files.h"
#include "platform/windows/win32_log_files.h"
#include "platform/windows/win32_site_probes.h"
#include "platform/windows/win32_toolkit.h"
#include "platform/windows/wts_processes.h"
#include "platform/windows/wts_session.h"

namespace cardwedge {
namespace {

// A program of the GUI subsystem has no console: the lines go to the log file, to stderr where it
// is redirected, and to the debugger output (DebugView, a debugger).
void WriteDebugOutput(const std::string& text) { OutputDebugStringW(Widen(text).c_str()); }

// Win32 windows, SendInput keystrokes, the Windows smart-card service (winscard), the FeliCa
// library loaded from the program's folder, and the other Windows services.
class WindowsServices : public PlatformServices {
 public:
  Platform& platform() override { return platform_; }
  SiteProbes& siteProbes() override { return siteProbes_; }

 private:
  Win32Toolkit toolkit_;
  Win32Files files_;
  DiagnosticsLog log_{std::make_shared<Win32LogFiles>(),
                      files_.JoinPath(files_.ProgramFolder(), kLogFileName),
                      DiagnosticsLog::StandardError, WriteDebugOutput};
  LocalClock clock_;
  SendInputKeyboard keyboard_;
  PlaySoundSound sound_;
  WtsProcesses processes_;
  MutexInstanceGuard instanceGuard_;
  AnsiTextCodec textCodec_;
  // The smart-card backend on the PC/SC API, one source for pcsc-lite and winscard.
  ScardSmartCard smartCard_;
  FelicaDllLibrary felicaLibrary_{files_.ProgramFolder()};
  // A PaSoRi plugged in again is opened at the next poll, also behind a library that says nothing
  // of a lost reader.
  WtsSession session_{[this] { felicaLibrary_.DevicesChanged(); }};
  Platform platform_{toolkit_,       files_,     clock_,     keyboard_,      sound_,  processes_,
                     instanceGuard_, textCodec_, smartCard_, felicaLibrary_, session_};
  Win32SiteProbes siteProbes_{felicaLibrary_, files_.ProgramFolder()};
};

}  // namespace

// The current folder (often the host's, or one a document was opened from) never supplies a DLL.
void PrepareProcess() { KeepCurrentFolderOutOfDllSearch(); }

std::unique_ptr<PlatformServices> MakePlatform() { return std::make_unique<WindowsServices>(); }

}  // namespace cardwedge
