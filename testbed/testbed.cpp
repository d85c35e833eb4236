#include "testbed.h"

#include <unistd.h>

#include <atomic>

#include "key_text.h"

namespace cardwedge::testbed {
namespace {

LinePredicate StartsWithAny(std::vector<std::string> prefixes) {
  return [prefixes = std::move(prefixes)](std::string_view line) {
    for (const std::string& prefix : prefixes) {
      if (line.starts_with(prefix)) return true;
    }
    return false;
  };
}

std::filesystem::path FreshLinkPath() {
  static std::atomic<int> counter = 0;
  return "/tmp/cardwedge-pn532-" + std::to_string(getpid()) + "-" + std::to_string(++counter);
}

}  // namespace

VirtualCard::VirtualCard(std::uint16_t port)
    : process_({CARDWEDGE_VIRTUAL_CARD_PATH, "--port", std::to_string(port)}) {}

void VirtualCard::Insert(const std::string& uid_hex) {
  process_.WriteLine("insert " + uid_hex);
  const std::string reply =
      process_.WaitForLine(StartsWithAny({"inserted ", "error "}), kEventTimeout, "inserted");
  if (reply.starts_with("error ")) throw TestbedError("virtual_card: " + reply);
}

void VirtualCard::Remove() {
  process_.WriteLine("remove");
  process_.WaitForLine("removed", kEventTimeout);
}

void VirtualCard::SetStatus(const std::string& status_hex) {
  process_.WriteLine("status " + status_hex);
  const std::string reply =
      process_.WaitForLine(StartsWithAny({"status ", "error "}), kEventTimeout, "status");
  if (reply.starts_with("error ")) throw TestbedError("virtual_card: " + reply);
}

void VirtualCard::WaitForApdu(const std::string& apdu_hex, Duration timeout) {
  const std::string expected = "apdu " + apdu_hex;
  process_.WaitForLine([&](std::string_view line) { return line == expected; }, timeout, expected);
}

void VirtualCard::WaitForPowerOff(Duration timeout) {
  process_.WaitForLine("powered off", timeout);
}

void VirtualCard::WaitForRemoved(Duration timeout) { process_.WaitForLine("removed", timeout); }

std::vector<std::string> VirtualCard::Apdus() const {
  std::vector<std::string> apdus;
  for (const std::string& line : process_.Lines()) {
    if (line.starts_with("apdu ")) apdus.push_back(line.substr(5));
  }
  return apdus;
}

Pn532Emulator::Pn532Emulator(std::filesystem::path link)
    : link_(link.empty() ? FreshLinkPath() : std::move(link)),
      process_({CARDWEDGE_PN532_EMULATOR_PATH, "--link", link_.string()}) {
  process_.WaitForLine("ready ", kStartTimeout);
}

Pn532Emulator::~Pn532Emulator() {
  std::error_code ignored;
  std::filesystem::remove(link_, ignored);
}

void Pn532Emulator::Card(const std::string& idm_hex, const std::string& pmm_hex) {
  process_.WriteLine("card " + idm_hex + (pmm_hex.empty() ? "" : " " + pmm_hex));
  const std::string reply =
      process_.WaitForLine(StartsWithAny({"card ", "error "}), kEventTimeout, "card");
  if (reply.starts_with("error ")) throw TestbedError("pn532_emulator: " + reply);
}

void Pn532Emulator::NoCard() {
  process_.WriteLine("nocard");
  process_.WaitForLine([](std::string_view line) { return line == "nocard"; }, kEventTimeout,
                       "nocard");
}

std::string Pn532Emulator::WaitForPoll(Duration timeout) {
  return process_.WaitForLine("poll ", timeout).substr(5);
}

KeyCapture::KeyCapture(const std::string& display, const std::string& title, bool keep_focus,
                       bool drawing)
    : process_(
          [&] {
            std::vector<std::string> argv = {CARDWEDGE_KEY_CAPTURE_PATH, "--title", title};
            if (keep_focus) argv.push_back("--keep-focus");
            if (!drawing) argv.push_back("--no-drawing");
            return argv;
          }(),
          ProcessOptions{{{"DISPLAY", display}}}) {
  process_.WaitForLine([](std::string_view line) { return line == "ready"; }, kStartTimeout,
                       "ready");
}

KeyCapture::KeyCapture(std::vector<std::string> argv, ProcessOptions options)
    : process_(std::move(argv), std::move(options)) {
  process_.WaitForLine([](std::string_view line) { return line == "ready"; }, kStartTimeout,
                       "ready");
}

bool KeyCapture::WaitForText(const std::string& expected, Duration timeout) {
  const auto deadline = std::chrono::steady_clock::now() + timeout;
  const auto is_key = [](std::string_view line) { return line.starts_with("key "); };
  while (ReceivedText() != expected) {
    const auto left =
        std::chrono::duration_cast<Duration>(deadline - std::chrono::steady_clock::now());
    if (left.count() <= 0 || !process_.TryWaitForLine(is_key, left)) {
      return ReceivedText() == expected;
    }
  }
  return true;
}

std::string KeyCapture::ReceivedText() const {
  std::string text;
  for (const std::string& line : process_.Lines()) {
    if (!line.starts_with("key ")) continue;
    const auto text_start = line.find(' ', 4);
    if (text_start != std::string::npos)
      text += Unescape(std::string_view(line).substr(text_start + 1));
  }
  return text;
}

std::vector<std::string> KeyCapture::KeysymNames() const {
  std::vector<std::string> names;
  for (const std::string& line : process_.Lines()) {
    if (line.starts_with("key ")) names.push_back(line.substr(4, line.find(' ', 4) - 4));
  }
  return names;
}

}  // namespace cardwedge::testbed
