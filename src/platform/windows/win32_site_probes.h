#pragma once

#include <string>

#include "platform/site_probes.h"
#include "platform/windows/felica_dll_library.h"
#include "platform/windows/win32_log_files.h"

namespace cardwedge {

// The site check's questions on Windows: where the FeliCa DLL came from or why it did not load,
// Win32 folders, and the user's language.
class Win32SiteProbes : public SiteProbes {
 public:
  // `library` is the program's FeliCa library, `folder` the program's folder it loads from.
  Win32SiteProbes(const FelicaDllLibrary& library, std::string folder);

  LibraryOrigin FelicaLibraryOrigin() override;
  bool FolderExists(const std::string& path) override;
  // Japanese for a user whose interface language or ANSI code page is Japanese.
  bool JapaneseUser() override;
  LogFiles& logFiles() override { return logFiles_; }

 private:
  const FelicaDllLibrary& library_;
  std::string folder_;
  Win32LogFiles logFiles_;
};

}  // namespace cardwedge
