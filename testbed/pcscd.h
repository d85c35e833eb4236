#pragma once

#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>

#include "child_process.h"

namespace cardwedge::testbed {

// The real pcscd, in the foreground, as root. Only one can run on a machine: the constructor
// waits for other test runs' Pcscd to finish (a lock file) and refuses to touch a pcscd that
// the test bed did not start. Stale socket and pid files of a killed pcscd are removed first.
class Pcscd {
 public:
  struct Options {
    // A reader.conf directory (pcscd -c); empty for the system one, whose vpcd entry gives
    // "Virtual PCD 00 00" on port 35963 and "Virtual PCD 00 01" on 35964.
    std::filesystem::path config_dir;
    bool debug_log = false;
    Duration ready_timeout = kStartTimeout;
    Duration lock_timeout = Duration{300'000};
  };

  Pcscd();
  explicit Pcscd(Options options);
  ~Pcscd();
  Pcscd(const Pcscd&) = delete;
  Pcscd& operator=(const Pcscd&) = delete;

  // Starts pcscd and waits until a client can list its readers.
  void Start();
  // Ends pcscd with SIGTERM, as a service stop does, and starts it again.
  void Restart();
  // SIGKILL: a crash, leaving its socket and pid files behind.
  void Kill();
  bool running() const { return process_ != nullptr; }
  pid_t pid() const { return process_ ? process_->pid() : -1; }

 private:
  Options options_;
  int lock_fd_ = -1;
  std::unique_ptr<ChildProcess> process_;
};

// A reader.conf directory for pcscd -c with one vpcd entry: readers "<friendly_name> 00 00"
// on `port` and "<friendly_name> 00 01" on port + 1. Removed with the object.
class VpcdReaderConf {
 public:
  VpcdReaderConf(std::string friendly_name, std::uint16_t port);
  ~VpcdReaderConf();
  VpcdReaderConf(const VpcdReaderConf&) = delete;
  VpcdReaderConf& operator=(const VpcdReaderConf&) = delete;

  // Adds a further vpcd entry after the first: readers "<friendly_name> 00 00" and "... 00 01"
  // on `port` and port + 1, listed after the first entry's.
  void AddReader(const std::string& friendly_name, std::uint16_t port);

  const std::filesystem::path& dir() const { return dir_; }
  // The name pcscd gives the reader in `slot` (0 or 1).
  std::string reader_name(int slot = 0) const;

 private:
  std::string friendly_name_;
  std::filesystem::path dir_;
};

}  // namespace cardwedge::testbed
