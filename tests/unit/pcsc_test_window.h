#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "fake_felica_library.h"
#include "fake_platform.h"
#include "fake_smart_card.h"
#include "pcsc/pcsc_frm.h"
#include "roster/read_rules.h"
#include "roster_line.h"

namespace cardwedge {

// The PC/SC window over the fake smart-card service, with a roster of five cards: two ordinary
// ones, the card of record 2 (three-second rule), and two whose values cannot be typed.
class PcscWindowTest : public ::testing::Test {
 protected:
  static constexpr char kReader[] = "Virtual PCD 00 00";
  static inline const std::vector<std::uint8_t> kCardA{0x04, 0xA2, 0x2B, 0x1A};
  static inline const std::vector<std::uint8_t> kCardB{0x11, 0x22, 0x33, 0x44};
  static inline const std::vector<std::uint8_t> kSecondRecordCard{0x0A, 0x0B, 0x0C, 0x0D};
  static inline const std::vector<std::uint8_t> kDecimalValueCard{0xDE, 0xAD, 0xBE, 0xEF};
  static inline const std::vector<std::uint8_t> kZeroValueCard{0x00, 0x00, 0x00, 0x01};
  static inline const std::vector<std::uint8_t> kUnknownCard{0x99, 0x88, 0x77, 0x66};

  PcscWindowTest() {
    fake.files.Write(kRosterFileName, RosterLine("101", "Sato", "04A22B1A") +
                                          RosterLine("202", "Suzuki", "0A0B0C0D") +
                                          RosterLine("303", "Tanaka", "11223344") +
                                          RosterLine("12.5", "Ito", "DEADBEEF") +
                                          RosterLine("000", "Kato", "00000001"));
    fake.files.Write(kConfirmationSoundName, "RIFF");
    fake.files.Write(kWarningSoundName, "RIFF");
  }

  void Open() {
    form = std::make_unique<PCSCfrm>(fake.platform, state);
    form->Form_Load();
    form->Show();
  }

  FakeControl& Get(const std::string& name) { return fake.toolkit.window("PCSCfrm").Get(name); }

  // One presence-poll tick, then the restart that follows a card.
  void Poll() {
    fake.toolkit.Tick("Timer1");
    fake.toolkit.Tick("Timer2");
  }
  void Lay(const std::vector<std::uint8_t>& uid) { smartCard.cards[kReader] = uid; }
  void TakeAway() {
    smartCard.cards.erase(kReader);
    Poll();
  }
  // A card laid down, polled, and taken away again.
  void Present(const std::vector<std::uint8_t>& uid) {
    Lay(uid);
    Poll();
    TakeAway();
  }
  void Wait(double seconds) { fake.clock.now += seconds; }

  std::string Output() { return Get("rbOutput").Text(); }
  std::string Typed() const { return fake.keyboard.TypedText(); }
  int Played(const std::string& soundName) const {
    int count = 0;
    for (const std::string& path : fake.sound.played) count += path.ends_with(soundName);
    return count;
  }

  FakeSmartCard smartCard;
  FakeFelicaLibrary felica;
  FakePlatform fake{smartCard, felica};
  ProgramState state;
  std::unique_ptr<PCSCfrm> form;
};

}  // namespace cardwedge
