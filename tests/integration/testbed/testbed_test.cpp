// Cross-checks the test bed against clients that know nothing of it: a plain pcsc-lite call
// sequence through the real pcscd, libnfc's pn532_uart driver, and xdotool under Xvfb.

#include <PCSC/winscard.h>
#include <gtest/gtest.h>
#include <nfc/nfc.h>
#include <sys/wait.h>

#include <algorithm>
#include <cstring>

#include "hex.h"
#include "testbed.h"

namespace cardwedge::testbed {
namespace {

using namespace std::chrono_literals;

constexpr char kUid[] = "04A1B2C3D4E5F6";
constexpr char kGetUid[] = "FFCA000000";

// The calls a PC/SC application makes, each checked.
class PcscClient {
 public:
  PcscClient() { result_ = SCardEstablishContext(SCARD_SCOPE_SYSTEM, nullptr, nullptr, &context_); }
  ~PcscClient() {
    if (result_ == SCARD_S_SUCCESS) SCardReleaseContext(context_);
  }
  PcscClient(const PcscClient&) = delete;
  PcscClient& operator=(const PcscClient&) = delete;

  LONG establish_result() const { return result_; }

  std::vector<std::string> Readers() {
    DWORD length = 0;
    if (SCardListReaders(context_, nullptr, nullptr, &length) != SCARD_S_SUCCESS) return {};
    std::string names(length, '\0');
    if (SCardListReaders(context_, nullptr, names.data(), &length) != SCARD_S_SUCCESS) return {};
    std::vector<std::string> readers;
    for (const char* name = names.c_str(); *name != '\0'; name += std::strlen(name) + 1) {
      readers.emplace_back(name);
    }
    return readers;
  }

  // Waits until the reader's state has `flag` (SCARD_STATE_PRESENT, SCARD_STATE_EMPTY).
  bool WaitForState(const std::string& reader, DWORD flag, Duration timeout) {
    SCARD_READERSTATE state{};
    state.szReader = reader.c_str();
    state.dwCurrentState = SCARD_STATE_UNAWARE;
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    for (;;) {
      const auto left =
          std::chrono::duration_cast<Duration>(deadline - std::chrono::steady_clock::now());
      const LONG result = SCardGetStatusChange(
          context_, static_cast<DWORD>(std::max<Duration::rep>(left.count(), 0)), &state, 1);
      if (result != SCARD_S_SUCCESS && result != static_cast<LONG>(SCARD_E_TIMEOUT)) return false;
      if (state.dwEventState & flag) return true;
      if (result == static_cast<LONG>(SCARD_E_TIMEOUT)) return false;
      state.dwCurrentState = state.dwEventState & ~SCARD_STATE_CHANGED;
    }
  }

  // Connects as soon as pcscd has seen the card.
  SCARDHANDLE Connect(const std::string& reader) {
    EXPECT_TRUE(WaitForState(reader, SCARD_STATE_PRESENT, kEventTimeout));
    SCARDHANDLE card = 0;
    DWORD protocol = 0;
    const LONG result = SCardConnect(context_, reader.c_str(), SCARD_SHARE_SHARED,
                                     SCARD_PROTOCOL_T0 | SCARD_PROTOCOL_T1, &card, &protocol);
    EXPECT_EQ(result, SCARD_S_SUCCESS) << std::hex << result;
    EXPECT_EQ(protocol, static_cast<DWORD>(SCARD_PROTOCOL_T1));
    return card;
  }

  static std::string Transmit(SCARDHANDLE card, const std::string& apdu_hex) {
    const auto apdu = ParseHex(apdu_hex).value();
    std::uint8_t response[258];
    DWORD length = sizeof response;
    const LONG result = SCardTransmit(card, SCARD_PCI_T1, apdu.data(),
                                      static_cast<DWORD>(apdu.size()), nullptr, response, &length);
    if (result != SCARD_S_SUCCESS) return "error " + std::to_string(result);
    return FormatHex(std::span(response, length));
  }

 private:
  SCARDCONTEXT context_ = 0;
  LONG result_;
};

// What a client that has just started reads with GET DATA from the card on `reader`.
std::string ReadUidAsNewClient(const std::string& reader) {
  PcscClient client;
  const SCARDHANDLE handle = client.Connect(reader);
  std::string response = PcscClient::Transmit(handle, kGetUid);
  SCardDisconnect(handle, SCARD_LEAVE_CARD);
  return response;
}

TEST(PcscTestbed, VirtualCardIsReadAndWatchedThroughPcscd) {
  Pcscd pcscd;
  VirtualCard card;
  PcscClient client;
  const std::string reader = "Virtual PCD 00 00";
  ASSERT_EQ(client.Readers(), (std::vector<std::string>{reader, "Virtual PCD 00 01"}));
  EXPECT_TRUE(client.WaitForState(reader, SCARD_STATE_EMPTY, kEventTimeout));

  card.Insert(kUid);
  const SCARDHANDLE handle = client.Connect(reader);
  EXPECT_EQ(PcscClient::Transmit(handle, kGetUid), std::string(kUid) + "9000");
  card.WaitForApdu(kGetUid);
  EXPECT_EQ(PcscClient::Transmit(handle, "FFCA010000"), std::string(kUid) + "9000");
  EXPECT_EQ(PcscClient::Transmit(handle, "FFCA000004"), "6C07");
  EXPECT_EQ(PcscClient::Transmit(handle, "00A4040000"), "6D00");

  card.SetStatus("6A81");
  EXPECT_EQ(PcscClient::Transmit(handle, kGetUid), "6A81");
  card.SetStatus("9000");
  EXPECT_EQ(PcscClient::Transmit(handle, kGetUid), std::string(kUid) + "9000");
  card.WaitForApdu(kGetUid);
  EXPECT_EQ(card.Apdus(), (std::vector<std::string>{kGetUid, "FFCA010000", "FFCA000004",
                                                    "00A4040000", kGetUid, kGetUid}));
  SCardDisconnect(handle, SCARD_LEAVE_CARD);

  card.Remove();
  EXPECT_TRUE(client.WaitForState(reader, SCARD_STATE_EMPTY, kEventTimeout));
  card.Insert("0102030405060708");
  EXPECT_EQ(ReadUidAsNewClient(reader), "01020304050607089000");
}

TEST(PcscTestbed, CardOutlivesPcscdKilledAndRestarted) {
  Pcscd pcscd;
  VirtualCard card;
  const std::string reader = "Virtual PCD 00 00";
  const std::string answer = std::string(kUid) + "9000";
  card.Insert(kUid);
  EXPECT_EQ(ReadUidAsNewClient(reader), answer);

  pcscd.Kill();
  card.WaitForRemoved();
  EXPECT_EQ(PcscClient().establish_result(), static_cast<LONG>(SCARD_E_NO_SERVICE));
  pcscd.Start();
  card.Insert(kUid);
  EXPECT_EQ(ReadUidAsNewClient(reader), answer);

  pcscd.Restart();
  card.WaitForRemoved();
  card.Insert(kUid);
  EXPECT_EQ(ReadUidAsNewClient(reader), answer);
}

TEST(PcscTestbed, ReaderConfGivesTheReaderItsNameAndPort) {
  constexpr std::uint16_t kPort = 35973;
  VpcdReaderConf conf("ACS ACR122U PICC Interface", kPort);
  Pcscd pcscd({.config_dir = conf.dir()});
  PcscClient client;
  ASSERT_EQ(client.Readers(), (std::vector<std::string>{"ACS ACR122U PICC Interface 00 00",
                                                        "ACS ACR122U PICC Interface 00 01"}));
  EXPECT_THROW(VirtualCard().Insert(kUid), TestbedError);  // nothing on the default port

  VirtualCard card(kPort);
  card.Insert(kUid);
  EXPECT_EQ(ReadUidAsNewClient(conf.reader_name(0)), std::string(kUid) + "9000");
}

// An open libnfc device, closed with the object. Unless `endless_retries`, a poll returns at
// once when there is no card.
class NfcReader {
 public:
  explicit NfcReader(const std::string& connstring, bool endless_retries = false) {
    nfc_init(&context_);
    device_ = nfc_open(context_, connstring.c_str());
    if (device_ == nullptr) return;
    initiated_ = nfc_initiator_init(device_) >= 0 &&
                 nfc_device_set_property_bool(device_, NP_INFINITE_SELECT, endless_retries) >= 0;
  }
  ~NfcReader() {
    if (device_ != nullptr) nfc_close(device_);
    nfc_exit(context_);
  }
  NfcReader(const NfcReader&) = delete;
  NfcReader& operator=(const NfcReader&) = delete;

  bool ready() const { return initiated_; }

  // "IDm <hex>", "none" or "error <code>", as a FeliCa 212 kbps poll for any system finds it;
  // with libnfc's own polling command unless `polling` is given.
  std::string Poll(std::span<const std::uint8_t> polling = {}) {
    const nfc_modulation felica = {NMT_FELICA, NBR_212};
    nfc_target target{};
    const int found = nfc_initiator_select_passive_target(
        device_, felica, polling.empty() ? nullptr : polling.data(), polling.size(), &target);
    if (found < 0) return "error " + std::to_string(found);
    if (found == 0) return "none";
    return "IDm " + FormatHex(std::span(target.nti.nfi.abtId, 8));
  }

 private:
  nfc_context* context_ = nullptr;
  nfc_device* device_ = nullptr;
  bool initiated_ = false;
};

constexpr char kIdm[] = "0123456789ABCDEF";
// Polling for any system code, without and with the request for the card's system code.
constexpr std::uint8_t kPollAnySystem[] = {0x00, 0xFF, 0xFF, 0x00, 0x00};
constexpr std::uint8_t kPollAnySystemAskingItsCode[] = {0x00, 0xFF, 0xFF, 0x01, 0x00};

TEST(FelicaTestbed, LibnfcPollsTheEmulatedReader) {
  Pn532Emulator emulator;
  ASSERT_TRUE(std::filesystem::is_symlink(emulator.link()));
  {
    NfcReader reader(emulator.connstring());
    ASSERT_TRUE(reader.ready());
    emulator.Card(kIdm);
    EXPECT_EQ(reader.Poll(kPollAnySystem), std::string("IDm ") + kIdm);
    EXPECT_EQ(emulator.WaitForPoll(), std::string("card ") + kIdm);
    EXPECT_EQ(reader.Poll(kPollAnySystemAskingItsCode), std::string("IDm ") + kIdm);
    EXPECT_EQ(reader.Poll(), std::string("IDm ") + kIdm);
    emulator.NoCard();
    EXPECT_EQ(reader.Poll(kPollAnySystem), "none");
    EXPECT_EQ(emulator.WaitForPoll(), "nocard");
  }
  // Closing powers the chip down; opening again must wake it.
  NfcReader reopened(emulator.connstring());
  ASSERT_TRUE(reopened.ready());
  emulator.Card("FEDCBA9876543210", "0011223344556677");
  EXPECT_EQ(reopened.Poll(), "IDm FEDCBA9876543210");

  emulator.process().Kill(SIGKILL);
  ASSERT_TRUE(emulator.process().Wait(kEventTimeout).has_value());
  EXPECT_TRUE(reopened.Poll().starts_with("error "));
}

TEST(FelicaTestbed, WithEndlessRetriesAPollWithoutACardTimesOut) {
  Pn532Emulator emulator;
  NfcReader reader(emulator.connstring(), true);
  ASSERT_TRUE(reader.ready());
  EXPECT_EQ(reader.Poll(), "error " + std::to_string(NFC_ETIMEOUT));
  EXPECT_EQ(emulator.WaitForPoll(), "waiting");
  // The chip answers the poll libnfc gave up on when the card comes; libnfc drops that late
  // answer before its next command.
  emulator.Card(kIdm);
  EXPECT_EQ(reader.Poll(), std::string("IDm ") + kIdm);
}

TEST(FelicaTestbed, EmulatorRemovesItsLinkWhenItEnds) {
  for (const char* ending : {"quit", "SIGTERM"}) {
    Pn532Emulator emulator;
    if (std::string(ending) == "quit") {
      emulator.process().WriteLine("quit");
    } else {
      emulator.process().Kill(SIGTERM);
    }
    const auto status = emulator.process().Wait(kEventTimeout);
    ASSERT_TRUE(status.has_value()) << ending;
    EXPECT_TRUE(WIFEXITED(*status)) << ending;
    EXPECT_FALSE(std::filesystem::exists(std::filesystem::symlink_status(emulator.link())))
        << ending;
  }
}

TEST(KeyTestbed, XdotoolTypingArrivesInTheCaptureWindow) {
  Xvfb xvfb;
  KeyCapture capture(xvfb.display());
  const ProcessOptions on_display{{{"DISPLAY", xvfb.display()}}};
  ChildProcess type({"xdotool", "type", "--delay", "10", "Ab1 -\\"}, on_display);
  ASSERT_EQ(type.Wait(kEventTimeout), 0);
  ChildProcess enter({"xdotool", "key", "Return"}, on_display);
  ASSERT_EQ(enter.Wait(kEventTimeout), 0);

  EXPECT_TRUE(capture.WaitForText("Ab1 -\\\n")) << capture.ReceivedText();
  const auto names = capture.KeysymNames();
  EXPECT_NE(std::find(names.begin(), names.end(), "Return"), names.end());
  EXPECT_NE(std::find(names.begin(), names.end(), "minus"), names.end());
}

TEST(KeyTestbed, CaptureWindowKeepingFocusTakesItBack) {
  Xvfb xvfb;
  KeyCapture keeper(xvfb.display(), "keeper", true);
  KeyCapture intruder(xvfb.display(), "intruder");
  keeper.process().WaitForLine("focus out", kEventTimeout);
  keeper.process().WaitForLine("focus in", kEventTimeout);

  ChildProcess type({"xdotool", "type", "7"}, ProcessOptions{{{"DISPLAY", xvfb.display()}}});
  ASSERT_EQ(type.Wait(kEventTimeout), 0);
  EXPECT_TRUE(keeper.WaitForText("7")) << keeper.ReceivedText();
  EXPECT_EQ(intruder.ReceivedText(), "");
}

}  // namespace
}  // namespace cardwedge::testbed
