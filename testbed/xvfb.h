#pragma once

#include <memory>
#include <string>

#include "child_process.h"

namespace cardwedge::testbed {

// A virtual X server on a free display, 1024x768 in 24-bit colour, local connections only.
class Xvfb {
 public:
  explicit Xvfb(Duration start_timeout = kStartTimeout);

  // For DISPLAY, e.g. ":99".
  const std::string& display() const { return display_; }

 private:
  std::unique_ptr<ChildProcess> process_;
  std::string display_;
};

}  // namespace cardwedge::testbed
