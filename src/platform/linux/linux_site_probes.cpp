#include "platform/linux/linux_site_probes.h"

#include <nfc/nfc.h>

#include <cstdlib>
#include <filesystem>
#include <string_view>

namespace cardwedge {

// libnfc is linked in: it is always there, and what it opens is the device of LIBNFC_DEVICE or
// its own default one.
LibraryOrigin LinuxSiteProbes::FelicaLibraryOrigin() {
  const char* device = std::getenv("LIBNFC_DEVICE");
  const std::string opens = device != nullptr && device[0] != '\0'
                                ? std::string("LIBNFC_DEVICE \"") + device + "\""
                                : std::string("libnfc's default device");
  return {.where = std::string("libnfc ") + nfc_version() + ", reading " + opens};
}

bool LinuxSiteProbes::FolderExists(const std::string& path) {
  std::error_code error;
  return std::filesystem::is_directory(path, error);
}

bool LinuxSiteProbes::JapaneseUser() {
  for (const char* name : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
    const char* value = std::getenv(name);
    if (value != nullptr && value[0] != '\0') return std::string_view(value).starts_with("ja");
  }
  return false;
}

}  // namespace cardwedge
