#include "platform/linux/libnfc_felica_library.h"

#include <gtest/gtest.h>
#include <stdlib.h>

#include <array>
#include <csignal>
#include <filesystem>
#include <memory>
#include <string>

#include "common/hex_text.h"
#include "testbed.h"

namespace cardwedge {
namespace {

using testbed::kEventTimeout;
using testbed::Pn532Emulator;

constexpr char kIdm[] = "0123456789ABCDEF";
constexpr char kPmm[] = "0011223344556677";
constexpr char kOtherIdm[] = "FEDCBA9876543210";

// One poll as the FeliCa window makes it: any system, time slot 0.
struct Poll {
  bool found = false;
  std::string idm;
  std::string pmm;
};

Poll PollOnce(FelicaLibrary& library) {
  std::array<std::uint8_t, 2> systemCode{0xFF, 0xFF};
  std::array<std::uint8_t, 8> idm{};
  std::array<std::uint8_t, 8> pmm{};
  std::uint8_t numberOfCards = 0;
  FelicaCardInfo cardInfo{.idm = &idm, .pmm = &pmm};
  const bool found = library.polling_and_get_card_information(
      {.systemCode = &systemCode, .timeSlot = 0}, numberOfCards, cardInfo);
  return {found, found ? HexText(idm) : "", found ? HexText(pmm) : ""};
}

// Polls until a card answers, as the window's timer would; empty when none does in time.
std::string PollUntilFound(FelicaLibrary& library) {
  Poll poll;
  testbed::WaitUntil([&] { return (poll = PollOnce(library)).found; });
  return poll.idm;
}

class LibnfcFelicaLibraryTest : public ::testing::Test {
 protected:
  LibnfcFelicaLibraryTest() {
    link =
        std::filesystem::temp_directory_path() / ("cardwedge-pn532-" + std::to_string(::getpid()));
    emulator = std::make_unique<Pn532Emulator>(link);
    ::setenv("LIBNFC_DEVICE", emulator->connstring().c_str(), 1);
  }
  ~LibnfcFelicaLibraryTest() override { ::unsetenv("LIBNFC_DEVICE"); }

  std::filesystem::path link;
  std::unique_ptr<Pn532Emulator> emulator;
  LibnfcFelicaLibrary library;
};

TEST_F(LibnfcFelicaLibraryTest, ReadsTheCardOnTheReaderAndAnswersAtOnceWithoutOne) {
  ASSERT_TRUE(library.initialize_library());
  ASSERT_TRUE(library.open_reader_writer_auto());

  emulator->Card(kIdm, kPmm);
  const Poll poll = PollOnce(library);
  EXPECT_TRUE(poll.found);
  EXPECT_EQ(poll.idm, kIdm);
  EXPECT_EQ(poll.pmm, kPmm);
  EXPECT_EQ(emulator->WaitForPoll(), std::string("card ") + kIdm);

  // Without endless retries the chip answers at once that no card is there.
  emulator->NoCard();
  EXPECT_FALSE(PollOnce(library).found);
  EXPECT_EQ(emulator->WaitForPoll(), "nocard");

  // A card switched while the reader runs is the one read next.
  emulator->Card(kOtherIdm);
  EXPECT_EQ(PollOnce(library).idm, kOtherIdm);
  emulator->Card(kIdm);
  EXPECT_EQ(PollOnce(library).idm, kIdm);
}

TEST_F(LibnfcFelicaLibraryTest, LostReaderFindsNoCardAndIsReadAgainWhenItReturns) {
  ASSERT_TRUE(library.initialize_library());
  ASSERT_TRUE(library.open_reader_writer_auto());
  emulator->Card(kIdm);
  ASSERT_EQ(PollOnce(library).idm, kIdm);

  EXPECT_EQ(library.ReaderState(), FelicaReaderState::kReaderOpen);

  emulator->process().Kill(SIGKILL);
  ASSERT_TRUE(emulator->process().Wait(kEventTimeout).has_value());
  for (int i = 0; i < 5; ++i) EXPECT_FALSE(PollOnce(library).found);
  EXPECT_EQ(library.ReaderState(), FelicaReaderState::kReaderNotOpen);

  emulator.reset();
  emulator = std::make_unique<Pn532Emulator>(link);
  emulator->Card(kOtherIdm);
  EXPECT_EQ(PollUntilFound(library), kOtherIdm);
  EXPECT_EQ(library.ReaderState(), FelicaReaderState::kReaderOpen);
}

TEST_F(LibnfcFelicaLibraryTest, ReaderAbsentAtOpeningIsOpenedOnceItAppears) {
  emulator.reset();
  ASSERT_TRUE(library.initialize_library());
  EXPECT_FALSE(library.open_reader_writer_auto());
  EXPECT_FALSE(PollOnce(library).found);

  emulator = std::make_unique<Pn532Emulator>(link);
  emulator->Card(kIdm);
  EXPECT_EQ(PollUntilFound(library), kIdm);
}

TEST(LibnfcFelicaLibrary, ReaderWithoutLibraryDoesNotOpen) {
  LibnfcFelicaLibrary library;
  EXPECT_FALSE(library.open_reader_writer_auto());
  EXPECT_FALSE(PollOnce(library).found);
  EXPECT_EQ(library.ReaderState(), FelicaReaderState::kLibraryNotLoaded);
}

}  // namespace
}  // namespace cardwedge
