#pragma once

#include <memory>

#include "platform/platform.h"
#include "platform/site_probes.h"

namespace cardwedge {

// The real services of the operating system the program was built for, owned together.
class PlatformServices {
 public:
  virtual ~PlatformServices() = default;
  virtual Platform& platform() = 0;
  // What the site check asks beside the windows' services.
  virtual SiteProbes& siteProbes() = 0;
};

// Settles, first thing in the program, what must hold before any thread starts or any library
// loads; each operating system has its own definition.
void PrepareProcess();

// Builds the real services; each operating system has its own definition.
std::unique_ptr<PlatformServices> MakePlatform();

}  // namespace cardwedge
