#pragma once

// The test bed for integration and end-to-end tests: real pcscd with virtual cards, an emulated
// PN532 reader for libnfc, and an X server with a window that records the keys it receives.

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "child_process.h"
#include "pcscd.h"
#include "wait_until.h"
#include "xvfb.h"

namespace cardwedge::testbed {

// A contactless card for a vpcd reader (program virtual_card). Its waits follow the card's
// event lines in order, each starting after the last event waited for.
class VirtualCard {
 public:
  static constexpr std::uint16_t kDefaultPort = 35963;

  explicit VirtualCard(std::uint16_t port = kDefaultPort);

  // Lays the card on the reader; throws if the reader's port does not accept it.
  void Insert(const std::string& uid_hex);
  // Takes the card away; harmless when it is not on the reader.
  void Remove();
  // From now on GET DATA answers only these status bytes ("6A81"); "9000" answers normally.
  void SetStatus(const std::string& status_hex);

  // Waits until the card has answered this APDU (upper-case hex, no spaces).
  void WaitForApdu(const std::string& apdu_hex, Duration timeout = kEventTimeout);
  // Waits until a client powers the card down, after the last line waited for.
  void WaitForPowerOff(Duration timeout = kEventTimeout);
  // Waits until the card notices that the reader has gone (pcscd ended).
  void WaitForRemoved(Duration timeout = kEventTimeout);
  // Every APDU answered so far, in order. The card reports an APDU just after answering it, so
  // a client can have its answer before it shows here: WaitForApdu first.
  std::vector<std::string> Apdus() const;

  ChildProcess& process() { return process_; }

 private:
  ChildProcess process_;
};

// A PN532 reader on a pseudo-terminal for libnfc's pn532_uart driver (program pn532_emulator).
class Pn532Emulator {
 public:
  // link: where to put the symlink to the terminal; empty for a fresh name under /tmp.
  explicit Pn532Emulator(std::filesystem::path link = {});
  ~Pn532Emulator();

  const std::filesystem::path& link() const { return link_; }
  // For nfc_open: "pn532_uart:<link>".
  std::string connstring() const { return "pn532_uart:" + link_.string(); }

  // A FeliCa card is on the reader from the next poll on; pmm empty for a default one.
  void Card(const std::string& idm_hex, const std::string& pmm_hex = "");
  void NoCard();
  // Waits for the next poll, returning "card <IDm>", "nocard", or "waiting": with no card and
  // endless retries (libnfc's NP_INFINITE_SELECT) the chip answers only when a card comes.
  std::string WaitForPoll(Duration timeout = kEventTimeout);

  ChildProcess& process() { return process_; }

 private:
  std::filesystem::path link_;
  ChildProcess process_;
};

// The focused window that a typing program's keys should reach (program key_capture).
class KeyCapture {
 public:
  // drawing false: the window shows nothing, for timing the keys' arrival.
  KeyCapture(const std::string& display, const std::string& title = "key capture",
             bool keep_focus = false, bool drawing = true);
  // Another program that reports its keys as key_capture does (a native Wayland window, or
  // key_capture run as another user).
  KeyCapture(std::vector<std::string> argv, ProcessOptions options);

  // Waits until the text received, Enter as "\n", is exactly `expected`.
  bool WaitForText(const std::string& expected, Duration timeout = kEventTimeout);
  // The text received so far, Enter as "\n".
  std::string ReceivedText() const;
  // The keysym names of all key presses so far, modifiers included.
  std::vector<std::string> KeysymNames() const;

  ChildProcess& process() { return process_; }

 private:
  ChildProcess process_;
};

}  // namespace cardwedge::testbed
