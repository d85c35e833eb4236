#pragma once

#include <string>

#include "platform/log_files.h"

namespace cardwedge {

// Why the FeliCa library could not be loaded, as far as the system tells.
enum class LibraryLoadFault {
  kNone,            // loaded
  kMissing,         // no file of that name where the program looks
  kMissingRuntime,  // the file is there, a DLL it needs (the reader maker's runtime) is not
  kWrongBitness,    // the file is a DLL for the other bitness than this program
  kMissingEntries,  // loaded, but one of the entries the FeliCa window calls is missing
  kRefused,         // any other refusal; the detail says what the system answered
};

struct LibraryOrigin {
  // The file that was loaded, or, on a system without a library file, what reads the cards.
  std::string where;
  LibraryLoadFault fault = LibraryLoadFault::kNone;
  // The system's own word on a fault (an error code and its meaning).
  std::string detail;
};

// What only the site check asks of the system, beside the services the windows use.
class SiteProbes {
 public:
  virtual ~SiteProbes() = default;
  // Where the FeliCa library came from, or why it did not load; asked after initialize_library.
  virtual LibraryOrigin FelicaLibraryOrigin() = 0;
  // True for an existing folder; every failure gives false.
  virtual bool FolderExists(const std::string& path) = 0;
  // True when the person running the check reads Japanese (the locale or the user's language).
  virtual bool JapaneseUser() = 0;
  // The file calls of the log, for the log's place and the report file.
  virtual LogFiles& logFiles() = 0;
};

}  // namespace cardwedge
