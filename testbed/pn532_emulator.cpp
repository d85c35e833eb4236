// A PN532 reader on a pseudo-terminal, as libnfc's pn532_uart driver sees it, with a FeliCa
// card that comes and goes on command. Commands come on stdin, events go to stdout.

#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <iostream>
#include <map>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "hex.h"
#include "line_input.h"

namespace cardwedge::testbed {
namespace {

constexpr const char kUsage[] =
    "usage: pn532_emulator [--link PATH]\n"
    "stdin:  card <idm-16hex> [pmm-16hex] | nocard | quit\n"
    "stdout: ready <path> | card <idm> | nocard | error <text>\n"
    "        poll card <idm> | poll nocard | poll waiting | poll aborted\n";

using Bytes = std::vector<std::uint8_t>;

constexpr std::uint8_t kHostToChip = 0xD4;
constexpr std::uint8_t kChipToHost = 0xD5;
constexpr std::uint8_t kAck[] = {0x00, 0x00, 0xFF, 0x00, 0xFF, 0x00};

enum Command : std::uint8_t {
  kDiagnose = 0x00,
  kGetFirmwareVersion = 0x02,
  kReadRegister = 0x06,
  kWriteRegister = 0x08,
  kSetParameters = 0x12,
  kSamConfiguration = 0x14,
  kRfConfiguration = 0x32,
  kInListPassiveTarget = 0x4A,
};

// RFConfiguration item MaxRetries: MxRtyATR, MxRtyPSL, MxRtyPassiveActivation.
constexpr std::uint8_t kMaxRetriesItem = 0x05;
constexpr std::uint8_t kRetryForever = 0xFF;
constexpr std::uint8_t kFelica212 = 0x01;
constexpr std::uint8_t kFelica424 = 0x02;
constexpr std::uint8_t kFelicaPollResponseCode = 0x01;
constexpr std::uint8_t kFelicaRequestSystemCode = 0x01;
// Answered when the poll asks for the card's system code.
constexpr std::uint8_t kSystemCode[] = {0x00, 0x03};
constexpr std::uint8_t kDefaultPmm[] = {0x03, 0x01, 0x4B, 0x02, 0x4F, 0x49, 0x93, 0xFF};
// PN532, firmware 1.6, supports ISO 14443 A and B and ISO 18092.
constexpr std::uint8_t kFirmwareVersion[] = {0x32, 0x01, 0x06, 0x07};

volatile std::sig_atomic_t stop_requested = 0;

void RequestStop(int) { stop_requested = 1; }

void Emit(const std::string& event) { std::cout << event << std::endl; }

struct FelicaCard {
  Bytes idm;
  Bytes pmm;
};

// Frames from the host are 00 00 FF LEN LCS D4 <command> <parameters> DCS 00, possibly
// preceded by a wake-up of 55 55 and zeros; answers are D5 <command + 1> <data> in the same
// framing, each preceded by an ACK frame.
class Pn532 {
 public:
  explicit Pn532(int master) : master_(master) {}

  // A poll waiting for a card (see Poll) is answered as soon as one arrives.
  void SetCard(std::optional<FelicaCard> card) {
    card_ = std::move(card);
    if (card_ && waiting_poll_) {
      const Bytes parameters = std::move(*waiting_poll_);
      waiting_poll_.reset();
      SendAnswer(kInListPassiveTarget, CardFound(parameters));
    }
  }

  void ReadFromHost() {
    std::uint8_t chunk[1024];
    const ssize_t count = read(master_, chunk, sizeof chunk);
    if (count <= 0) return;
    received_.insert(received_.end(), chunk, chunk + count);
    while (TakeFrame()) {
    }
  }

 private:
  // Handles the first complete frame in the buffer; false when more bytes are needed.
  bool TakeFrame() {
    std::size_t start = 0;
    while (start + 1 < received_.size() &&
           !(received_[start] == 0x00 && received_[start + 1] == 0xFF))
      ++start;
    if (start + 1 >= received_.size()) {
      received_.erase(received_.begin(), received_.begin() + static_cast<long>(start));
      return false;
    }
    received_.erase(received_.begin(), received_.begin() + static_cast<long>(start));
    if (received_.size() < 4) return false;
    const std::uint8_t length = received_[2];
    const std::uint8_t length_checksum = received_[3];
    if (length == 0x00 && length_checksum == 0xFF) {  // ACK from the host: abort
      Drop(4);
      if (waiting_poll_) Emit("poll aborted");
      waiting_poll_.reset();
      return true;
    }
    if (length == 0xFF && length_checksum == 0x00) {  // NACK: send the last answer again
      Drop(4);
      Write(last_answer_);
      return true;
    }
    if (static_cast<std::uint8_t>(length + length_checksum) != 0 || length == 0) {
      Emit("error bad frame length " + HexText(std::span(received_).first(4)));
      Drop(2);
      return true;
    }
    if (received_.size() < 4u + length + 1u) return false;
    const Bytes data(received_.begin() + 4, received_.begin() + 4 + length);
    std::uint8_t sum = received_[4u + length];
    for (std::uint8_t byte : data) sum = static_cast<std::uint8_t>(sum + byte);
    Drop(4u + length + 1u);
    if (sum != 0 || data[0] != kHostToChip || data.size() < 2) {
      Emit("error bad frame " + HexText(data));
      return true;
    }
    Answer(data[1], std::span(data).subspan(2));
    return true;
  }

  void Drop(std::size_t count) {
    received_.erase(received_.begin(), received_.begin() + static_cast<long>(count));
  }

  void Answer(std::uint8_t command, std::span<const std::uint8_t> parameters) {
    Write(kAck);
    waiting_poll_.reset();
    if (command == kInListPassiveTarget) {
      Poll(parameters);
      return;
    }
    Bytes reply;
    switch (command) {
      case kDiagnose:  // communication line test: echo
        reply.assign(parameters.begin(), parameters.end());
        break;
      case kGetFirmwareVersion:
        reply.assign(std::begin(kFirmwareVersion), std::end(kFirmwareVersion));
        break;
      case kReadRegister:
        for (std::size_t i = 0; i + 1 < parameters.size(); i += 2)
          reply.push_back(
              registers_[static_cast<std::uint16_t>(parameters[i] << 8 | parameters[i + 1])]);
        break;
      case kWriteRegister:
        for (std::size_t i = 0; i + 2 < parameters.size(); i += 3)
          registers_[static_cast<std::uint16_t>(parameters[i] << 8 | parameters[i + 1])] =
              parameters[i + 2];
        break;
      case kRfConfiguration:
        if (parameters.size() >= 4 && parameters[0] == kMaxRetriesItem) {
          passive_activation_retries_ = parameters[3];
        }
        break;
      case kSetParameters:
      case kSamConfiguration:
        break;
      default:  // commands answering with a status byte: success
        reply.push_back(0x00);
        break;
    }
    SendAnswer(command, reply);
  }

  void SendAnswer(std::uint8_t command, std::span<const std::uint8_t> reply) {
    last_answer_ = Frame(static_cast<std::uint8_t>(command + 1), reply);
    Write(last_answer_);
  }

  // Parameters: MaxTg, BrTy, then the FeliCa polling command: 00, system code, request code, TSN.
  // With no card and endless retries (the chip's default), the chip keeps polling and answers
  // only when a card comes or the host aborts, as a real PN532 does.
  void Poll(std::span<const std::uint8_t> parameters) {
    const bool felica =
        parameters.size() >= 2 && (parameters[1] == kFelica212 || parameters[1] == kFelica424);
    if (felica && card_) {
      SendAnswer(kInListPassiveTarget, CardFound(parameters));
    } else if (felica && passive_activation_retries_ == kRetryForever) {
      waiting_poll_ = Bytes(parameters.begin(), parameters.end());
      Emit("poll waiting");
    } else {
      Emit("poll nocard");
      SendAnswer(kInListPassiveTarget, Bytes{0x00});
    }
  }

  Bytes CardFound(std::span<const std::uint8_t> parameters) {
    const bool wants_system_code =
        parameters.size() >= 6 && parameters[5] == kFelicaRequestSystemCode;
    // One target, number 1, then the polling response with its own length byte first.
    Bytes reply = {0x01, 0x01, 0x00, kFelicaPollResponseCode};
    reply.insert(reply.end(), card_->idm.begin(), card_->idm.end());
    reply.insert(reply.end(), card_->pmm.begin(), card_->pmm.end());
    if (wants_system_code)
      reply.insert(reply.end(), std::begin(kSystemCode), std::end(kSystemCode));
    reply[2] = static_cast<std::uint8_t>(reply.size() - 2);
    Emit("poll card " + HexText(card_->idm));
    return reply;
  }

  static Bytes Frame(std::uint8_t code, std::span<const std::uint8_t> data) {
    const auto length = static_cast<std::uint8_t>(data.size() + 2);
    Bytes frame = {0x00, 0x00, 0xFF, length, static_cast<std::uint8_t>(-length), kChipToHost, code};
    std::uint8_t sum = static_cast<std::uint8_t>(kChipToHost + code);
    for (std::uint8_t byte : data) {
      frame.push_back(byte);
      sum = static_cast<std::uint8_t>(sum + byte);
    }
    frame.push_back(static_cast<std::uint8_t>(-sum));
    frame.push_back(0x00);
    return frame;
  }

  void Write(std::span<const std::uint8_t> bytes) {
    std::size_t written = 0;
    while (written < bytes.size()) {
      const ssize_t count = write(master_, bytes.data() + written, bytes.size() - written);
      if (count < 0 && errno == EINTR) continue;
      if (count <= 0) {
        Emit(std::string("error writing to the host: ") + std::strerror(errno));
        return;
      }
      written += static_cast<std::size_t>(count);
    }
  }

  int master_;
  Bytes received_;
  Bytes last_answer_;
  std::map<std::uint16_t, std::uint8_t> registers_;
  std::optional<FelicaCard> card_;
  std::uint8_t passive_activation_retries_ = kRetryForever;
  std::optional<Bytes> waiting_poll_;
};

// The pseudo-terminal: the emulator keeps a descriptor on the slave side, raw, so that the
// master never sees a hang-up while libnfc closes and reopens the device.
struct Terminal {
  int master = -1;
  int slave = -1;
  std::string slave_path;
};

std::optional<Terminal> OpenTerminal() {
  Terminal terminal;
  terminal.master = posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
  if (terminal.master < 0 || grantpt(terminal.master) != 0 || unlockpt(terminal.master) != 0)
    return std::nullopt;
  const char* name = ptsname(terminal.master);
  if (name == nullptr) return std::nullopt;
  terminal.slave_path = name;
  terminal.slave = open(name, O_RDWR | O_NOCTTY | O_CLOEXEC);
  if (terminal.slave < 0) return std::nullopt;
  termios settings{};
  if (tcgetattr(terminal.slave, &settings) != 0) return std::nullopt;
  cfmakeraw(&settings);
  if (tcsetattr(terminal.slave, TCSANOW, &settings) != 0) return std::nullopt;
  return terminal;
}

std::optional<FelicaCard> ParseCard(const std::string& arguments) {
  const auto space = arguments.find(' ');
  auto idm = ParseHex(arguments.substr(0, space));
  auto pmm = space == std::string::npos ? Bytes(std::begin(kDefaultPmm), std::end(kDefaultPmm))
                                        : ParseHex(arguments.substr(space + 1));
  if (!idm || !pmm || idm->size() != 8 || pmm->size() != 8) return std::nullopt;
  return FelicaCard{std::move(*idm), std::move(*pmm)};
}

int Run(const std::string& link) {
  auto terminal = OpenTerminal();
  if (!terminal) {
    std::cerr << "pn532_emulator: cannot open a pseudo-terminal: " << std::strerror(errno) << '\n';
    return 1;
  }
  std::error_code error;
  if (!link.empty()) {
    if (std::filesystem::is_symlink(link, error)) std::filesystem::remove(link, error);
    std::filesystem::create_symlink(terminal->slave_path, link, error);
    if (error) {
      std::cerr << "pn532_emulator: cannot link " << link << ": " << error.message() << '\n';
      return 1;
    }
  }
  Emit("ready " + (link.empty() ? terminal->slave_path : link));

  Pn532 chip(terminal->master);
  LineInput commands(STDIN_FILENO);
  sigset_t no_signals;
  sigemptyset(&no_signals);
  bool running = true;
  while (running && !stop_requested) {
    pollfd fds[2] = {{STDIN_FILENO, POLLIN, 0}, {terminal->master, POLLIN, 0}};
    if (ppoll(fds, 2, nullptr, &no_signals) < 0) continue;
    if (fds[1].revents & POLLIN) chip.ReadFromHost();
    if (fds[0].revents == 0) continue;
    running = commands.ReadAvailable();
    while (auto line = commands.NextLine()) {
      const auto space = line->find(' ');
      const std::string command = line->substr(0, space);
      if (command == "card") {
        auto card = ParseCard(space == std::string::npos ? "" : line->substr(space + 1));
        if (!card) {
          Emit("error bad card: " + *line);
          continue;
        }
        // Acknowledged once the chip has acted on it, including answering a waiting poll.
        const std::string idm = HexText(card->idm);
        chip.SetCard(std::move(card));
        Emit("card " + idm);
      } else if (command == "nocard") {
        chip.SetCard(std::nullopt);
        Emit("nocard");
      } else if (command == "quit") {
        running = false;
      } else if (!command.empty()) {
        Emit("error unknown command: " + *line);
      }
    }
  }
  if (!link.empty()) std::filesystem::remove(link, error);
  return 0;
}

}  // namespace
}  // namespace cardwedge::testbed

int main(int argc, char** argv) {
  using namespace cardwedge::testbed;
  std::signal(SIGPIPE, SIG_IGN);
  std::string link;
  for (int i = 1; i < argc; ++i) {
    if (std::string(argv[i]) == "--link" && i + 1 < argc &&
        std::strchr(argv[i + 1], ':') == nullptr) {
      link = argv[++i];
    } else {
      std::cerr << kUsage;
      return 2;
    }
  }
  // Termination signals are delivered only while waiting, so the link is always removed.
  sigset_t stop_signals;
  sigemptyset(&stop_signals);
  for (int signal_number : {SIGTERM, SIGINT, SIGHUP}) {
    sigaddset(&stop_signals, signal_number);
    struct sigaction action {};
    action.sa_handler = RequestStop;
    sigaction(signal_number, &action, nullptr);
  }
  sigprocmask(SIG_BLOCK, &stop_signals, nullptr);
  return Run(link);
}
