#include "pcscd.h"

#include <PCSC/winscard.h>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <sstream>
#include <thread>

namespace cardwedge::testbed {
namespace {

const std::filesystem::path kSocketFile = "/run/pcscd/pcscd.comm";
const std::filesystem::path kPidFile = "/run/pcscd/pcscd.pid";
// Serialises test runs that each need the machine's one pcscd.
constexpr char kLockFile[] = "/tmp/cardwedge-testbed-pcscd.lock";
constexpr Duration kRetryInterval{10};
constexpr Duration kLockRetryInterval{100};
constexpr Duration kStopTimeout{10'000};

// The pid of a live pcscd on this machine, or 0. A killed one may stay a zombie for a while
// until its new parent reaps it; that one no longer counts.
pid_t FindRunningPcscd() {
  for (const auto& entry : std::filesystem::directory_iterator("/proc")) {
    std::ifstream stat(entry.path() / "stat");
    std::string pid, name, state;
    if (stat >> pid >> name >> state && name == "(pcscd)" && state != "Z") {
      return static_cast<pid_t>(std::stol(pid));
    }
  }
  return 0;
}

void RemoveStateFiles() {
  std::error_code ignored;
  std::filesystem::remove(kSocketFile, ignored);
  std::filesystem::remove(kPidFile, ignored);
}

int AcquireLock(Duration timeout) {
  const int fd = open(kLockFile, O_RDWR | O_CREAT | O_CLOEXEC, 0666);
  if (fd < 0) throw TestbedError(std::string("cannot open ") + kLockFile);
  const auto deadline = std::chrono::steady_clock::now() + timeout;
  while (flock(fd, LOCK_EX | LOCK_NB) != 0) {
    if (std::chrono::steady_clock::now() >= deadline) {
      close(fd);
      throw TestbedError("another test run kept pcscd for too long (lock " +
                         std::string(kLockFile) + ")");
    }
    std::this_thread::sleep_for(kLockRetryInterval);
  }
  return fd;
}

bool ListsReaders() {
  SCARDCONTEXT context;
  if (SCardEstablishContext(SCARD_SCOPE_SYSTEM, nullptr, nullptr, &context) != SCARD_S_SUCCESS) {
    return false;
  }
  DWORD length = 0;
  const LONG result = SCardListReaders(context, nullptr, nullptr, &length);
  SCardReleaseContext(context);
  return result == SCARD_S_SUCCESS;
}

}  // namespace

Pcscd::Pcscd() : Pcscd(Options{}) {}

Pcscd::Pcscd(Options options) : options_(std::move(options)) {
  lock_fd_ = AcquireLock(options_.lock_timeout);
  try {
    Start();
  } catch (...) {
    process_.reset();
    close(lock_fd_);
    throw;
  }
}

Pcscd::~Pcscd() {
  process_.reset();
  RemoveStateFiles();
  close(lock_fd_);
}

void Pcscd::Start() {
  if (process_) return;
  if (const pid_t other = FindRunningPcscd(); other != 0) {
    throw TestbedError("a pcscd that the test bed did not start is running (pid " +
                       std::to_string(other) + "); stop it first");
  }
  RemoveStateFiles();
  std::vector<std::string> argv = {"pcscd", "--foreground"};
  if (!options_.config_dir.empty()) {
    argv.insert(argv.end(), {"--config", options_.config_dir.string()});
  }
  if (options_.debug_log) argv.push_back("--debug");
  process_ = std::make_unique<ChildProcess>(argv);

  const auto deadline = std::chrono::steady_clock::now() + options_.ready_timeout;
  while (!ListsReaders()) {
    if (auto status = process_->Wait(kRetryInterval)) {
      process_.reset();
      throw TestbedError("pcscd ended while starting, wait status " + std::to_string(*status));
    }
    if (std::chrono::steady_clock::now() >= deadline) {
      process_.reset();
      throw TestbedError("pcscd did not list its readers in time");
    }
  }
}

void Pcscd::Restart() {
  if (process_) {
    process_->Kill(SIGTERM);
    process_->Wait(kStopTimeout);
    process_.reset();
  }
  Start();
}

void Pcscd::Kill() {
  if (!process_) return;
  process_->Kill(SIGKILL);
  process_->Wait(kStopTimeout);
  process_.reset();
}

VpcdReaderConf::VpcdReaderConf(std::string friendly_name, std::uint16_t port)
    : friendly_name_(std::move(friendly_name)) {
  char dir_template[] = "/tmp/cardwedge-readerconf-XXXXXX";
  if (mkdtemp(dir_template) == nullptr) throw TestbedError("cannot create a reader.conf dir");
  dir_ = dir_template;
  AddReader(friendly_name_, port);
}

void VpcdReaderConf::AddReader(const std::string& friendly_name, std::uint16_t port) {
  if (friendly_name.find('"') != std::string::npos) {
    throw TestbedError("a reader name cannot contain a double quote");
  }
  // The same shape as the vpcd entry Debian installs in /etc/reader.conf.d: the driver reads
  // its port from DEVICENAME, and /dev/null as the host means "listen for the card". Entries
  // of one file are listed in file order.
  char port_hex[8];
  std::snprintf(port_hex, sizeof port_hex, "0x%04X", port);
  // The driver keeps its connections per slot number in one static table, so each further
  // entry loads a copy of it of its own.
  std::filesystem::path driver = CARDWEDGE_VPCD_DRIVER_PATH;
  const std::filesystem::path conf_path = dir_ / "vpcd";
  if (std::filesystem::exists(conf_path)) {
    // pcscd reads every plain file of the directory as configuration, so not there.
    const std::filesystem::path copy =
        dir_ / "drivers" / ("libifdvpcd-" + std::to_string(port) + ".so");
    std::filesystem::create_directories(copy.parent_path());
    std::filesystem::copy_file(driver, copy, std::filesystem::copy_options::overwrite_existing);
    driver = copy;
  }
  std::ofstream conf(conf_path, std::ios::app);
  conf << "FRIENDLYNAME \"" << friendly_name << "\"\n"
       << "DEVICENAME   /dev/null:" << port_hex << "\n"
       << "LIBPATH      " << driver.string() << "\n"
       << "CHANNELID    " << port_hex << "\n\n";
  if (!conf.flush()) throw TestbedError("cannot write " + conf_path.string());
}

VpcdReaderConf::~VpcdReaderConf() {
  std::error_code ignored;
  std::filesystem::remove_all(dir_, ignored);
}

std::string VpcdReaderConf::reader_name(int slot) const {
  return friendly_name_ + " 00 0" + std::to_string(slot);
}

}  // namespace cardwedge::testbed
