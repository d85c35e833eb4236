// A contactless card for the vpcd reader driver: "on the reader" while it holds a TCP
// connection to the driver's port. Commands come on stdin, events go to stdout (see usage).

#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <csignal>
#include <cstdint>
#include <cstring>
#include <iostream>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "hex.h"
#include "line_input.h"

namespace cardwedge::testbed {
namespace {

constexpr const char kUsage[] =
    "usage: virtual_card [--port N] [--host ADDRESS]\n"
    "stdin:  insert <uid-hex> | status <hex4> | remove | quit\n"
    "stdout: inserted <uid> | removed | status <hex4> | apdu <hex> | powered off | error <text>\n";

// Makes pcscd choose T=1.
constexpr std::uint8_t kAtr[] = {0x3B, 0x8F, 0x80, 0x01, 0x80, 0x4F, 0x0C, 0xA0, 0x00, 0x00,
                                 0x03, 0x06, 0x03, 0x00, 0x03, 0x00, 0x00, 0x00, 0x00, 0x68};
constexpr std::uint8_t kControlPowerOff = 0;
constexpr std::uint8_t kControlGetAtr = 4;
constexpr std::uint16_t kStatusOk = 0x9000;
constexpr std::uint16_t kStatusInsNotSupported = 0x6D00;
constexpr std::uint16_t kStatusWrongLength = 0x6C00;

struct Options {
  std::string host = "127.0.0.1";
  std::string port = "35963";
};

std::optional<Options> ParseOptions(int argc, char** argv) {
  Options options;
  for (int i = 1; i < argc; ++i) {
    const std::string argument = argv[i];
    if (i + 1 >= argc) return std::nullopt;
    if (argument == "--port") {
      options.port = argv[++i];
    } else if (argument == "--host") {
      options.host = argv[++i];
    } else {
      return std::nullopt;
    }
  }
  return options;
}

void Emit(const std::string& event) { std::cout << event << std::endl; }

void AppendStatus(std::vector<std::uint8_t>& response, std::uint16_t status) {
  response.push_back(static_cast<std::uint8_t>(status >> 8));
  response.push_back(static_cast<std::uint8_t>(status & 0xFF));
}

class Card {
 public:
  explicit Card(Options options) : options_(std::move(options)) {}

  int Run() {
    LineInput commands(STDIN_FILENO);
    for (;;) {
      pollfd fds[2] = {{STDIN_FILENO, POLLIN, 0}, {socket_, POLLIN, 0}};
      const nfds_t count = socket_ >= 0 ? 2 : 1;
      if (poll(fds, count, -1) < 0) {
        if (errno == EINTR) continue;
        return 1;
      }
      if (count == 2 && fds[1].revents != 0) ReadFromReader();
      if (fds[0].revents != 0) {
        const bool open = commands.ReadAvailable();
        while (auto line = commands.NextLine()) {
          if (!HandleCommand(*line)) return 0;
        }
        if (!open) return 0;
      }
    }
  }

 private:
  // False when the program should end.
  bool HandleCommand(const std::string& line) {
    const auto space = line.find(' ');
    const std::string command = line.substr(0, space);
    const std::string argument = space == std::string::npos ? "" : line.substr(space + 1);
    if (command == "insert") {
      Insert(argument);
    } else if (command == "status") {
      SetStatus(argument);
    } else if (command == "remove") {
      Remove();
    } else if (command == "quit") {
      return false;
    } else if (!command.empty()) {
      Emit("error unknown command: " + line);
    }
    return true;
  }

  void Insert(const std::string& uid_hex) {
    auto uid = ParseHex(uid_hex);
    if (!uid || uid->empty()) {
      Emit("error bad uid: " + uid_hex);
      return;
    }
    if (socket_ >= 0) {
      Emit("error a card is already inserted");
      return;
    }
    const std::string problem = Connect();
    if (!problem.empty()) {
      Emit("error cannot reach the reader: " + problem);
      return;
    }
    uid_ = std::move(*uid);
    received_.clear();
    Emit("inserted " + HexText(uid_));
  }

  std::string Connect() {
    addrinfo hints{};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_STREAM;
    addrinfo* addresses = nullptr;
    const int lookup =
        getaddrinfo(options_.host.c_str(), options_.port.c_str(), &hints, &addresses);
    if (lookup != 0) return gai_strerror(lookup);
    std::string problem = "no address";
    for (addrinfo* address = addresses; address != nullptr; address = address->ai_next) {
      const int fd = socket(address->ai_family, address->ai_socktype | SOCK_CLOEXEC, 0);
      if (fd < 0) continue;
      if (connect(fd, address->ai_addr, address->ai_addrlen) == 0) {
        const int on = 1;
        setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
        socket_ = fd;
        problem.clear();
        break;
      }
      problem = std::strerror(errno);
      close(fd);
    }
    freeaddrinfo(addresses);
    return problem;
  }

  void SetStatus(const std::string& status_hex) {
    const auto status = ParseHex(status_hex);
    if (!status || status->size() != 2) {
      Emit("error bad status: " + status_hex);
      return;
    }
    status_ = static_cast<std::uint16_t>((*status)[0] << 8 | (*status)[1]);
    Emit("status " + HexText(*status));
  }

  void Remove() {
    if (socket_ >= 0) {
      close(socket_);
      socket_ = -1;
    }
    Emit("removed");
  }

  void ReadFromReader() {
    std::uint8_t chunk[4096];
    const ssize_t count = recv(socket_, chunk, sizeof chunk, 0);
    if (count < 0 && errno == EINTR) return;
    if (count <= 0) {
      Remove();
      return;
    }
    const int on = 1;
    setsockopt(socket_, IPPROTO_TCP, TCP_QUICKACK, &on, sizeof on);
    received_.insert(received_.end(), chunk, chunk + count);
    // Each message is a two-byte big-endian length followed by that many bytes.
    while (socket_ >= 0 && received_.size() >= 2) {
      const std::size_t length = received_[0] << 8 | received_[1];
      if (received_.size() < 2 + length) break;
      const std::vector<std::uint8_t> message(received_.begin() + 2,
                                              received_.begin() + 2 + length);
      received_.erase(received_.begin(), received_.begin() + 2 + length);
      HandleMessage(message);
    }
  }

  void HandleMessage(std::span<const std::uint8_t> message) {
    if (message.size() == 1) {
      // Power off, on and reset need no answer; only the ATR request does.
      if (message[0] == kControlGetAtr) Send(kAtr);
      if (message[0] == kControlPowerOff) Emit("powered off");
      return;
    }
    if (message.empty()) return;
    if (Send(Answer(message))) Emit("apdu " + HexText(message));
  }

  std::vector<std::uint8_t> Answer(std::span<const std::uint8_t> apdu) const {
    std::vector<std::uint8_t> response;
    const bool get_data = apdu.size() >= 4 && apdu[0] == 0xFF && apdu[1] == 0xCA &&
                          (apdu[2] == 0x00 || apdu[2] == 0x01) && apdu[3] == 0x00;
    if (!get_data) {
      AppendStatus(response, kStatusInsNotSupported);
      return response;
    }
    if (status_ != kStatusOk) {
      AppendStatus(response, status_);
      return response;
    }
    const std::size_t expected = apdu.size() >= 5 ? apdu[4] : 0;
    if (expected != 0 && expected < uid_.size()) {
      AppendStatus(response, kStatusWrongLength | static_cast<std::uint16_t>(uid_.size()));
      return response;
    }
    response = uid_;
    AppendStatus(response, kStatusOk);
    return response;
  }

  // False when the reader has gone away; the card then counts as removed.
  bool Send(std::span<const std::uint8_t> payload) {
    std::vector<std::uint8_t> message = {static_cast<std::uint8_t>(payload.size() >> 8),
                                         static_cast<std::uint8_t>(payload.size() & 0xFF)};
    message.insert(message.end(), payload.begin(), payload.end());
    std::size_t sent = 0;
    while (sent < message.size()) {
      const ssize_t count = send(socket_, message.data() + sent, message.size() - sent, 0);
      if (count < 0 && errno == EINTR) continue;
      if (count <= 0) {
        Remove();
        return false;
      }
      sent += static_cast<std::size_t>(count);
    }
    return true;
  }

  Options options_;
  int socket_ = -1;
  std::vector<std::uint8_t> uid_;
  std::vector<std::uint8_t> received_;
  std::uint16_t status_ = kStatusOk;
};

}  // namespace
}  // namespace cardwedge::testbed

int main(int argc, char** argv) {
  using namespace cardwedge::testbed;
  std::signal(SIGPIPE, SIG_IGN);
  const auto options = ParseOptions(argc, argv);
  if (!options) {
    std::cerr << kUsage;
    return 2;
  }
  return Card(*options).Run();
}
