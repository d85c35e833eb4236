#pragma once

#include "platform/linux/posix_log_files.h"
#include "platform/site_probes.h"

namespace cardwedge {

// The site check's questions on Linux: libnfc and its device, POSIX folders, the locale.
class LinuxSiteProbes : public SiteProbes {
 public:
  LibraryOrigin FelicaLibraryOrigin() override;
  bool FolderExists(const std::string& path) override;
  // LC_ALL, else LC_MESSAGES, else LANG, as the C library picks the language of messages.
  bool JapaneseUser() override;
  LogFiles& logFiles() override { return logFiles_; }

 private:
  PosixLogFiles logFiles_;
};

}  // namespace cardwedge
