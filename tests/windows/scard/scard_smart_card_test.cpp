// The smart-card backend on winscard, against the project's test-double winscard.dll under Wine:
// the seven calls, and the reader watch.

#include "platform/scard/scard_smart_card.h"

#include <gtest/gtest.h>
#include <windows.h>
#include <winscard.h>

#include <chrono>
#include <condition_variable>
#include <deque>
#include <filesystem>
#include <fstream>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

#include "control_folder.h"

namespace cardwedge {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;
using Bytes = std::vector<std::uint8_t>;

const std::string kReader = "ACS ACR122U PICC Interface 0";
const std::string kOtherReader = "Generic Reader 0";

// What the watch thread reports, as it arrives.
class Reports {
 public:
  void Add(ReaderChange change) {
    const std::lock_guard lock(mutex_);
    changes_.push_back(change);
    arrived_.notify_all();
  }
  // Waits for a report of this kind, passing over the others; `step` runs every 20 ms meanwhile.
  bool WaitFor(
      ReaderChange change, const std::function<void()>& step = [] {},
      std::chrono::milliseconds within = 3s) {
    const auto deadline = std::chrono::steady_clock::now() + within;
    std::unique_lock lock(mutex_);
    while (std::chrono::steady_clock::now() < deadline) {
      while (!changes_.empty()) {
        const ReaderChange next = changes_.front();
        changes_.pop_front();
        if (next == change) return true;
      }
      lock.unlock();
      step();
      lock.lock();
      arrived_.wait_for(lock, 20ms);
    }
    return false;
  }

 private:
  std::mutex mutex_;
  std::condition_variable arrived_;
  std::deque<ReaderChange> changes_;
};

// The double's control folder, named before the first call loads the double's state.
class ScardSmartCardTest : public ::testing::Test {
 protected:
  static fs::path Folder() {
    return fs::temp_directory_path() / ("cardwedge-scard-" + std::to_string(GetCurrentProcessId()));
  }
  static void SetUpTestSuite() {
    fs::remove_all(Folder());
    fs::create_directories(Folder());
    SetEnvironmentVariableW(L"CARDWEDGE_WINSCARD_CONTROL", Folder().wstring().c_str());
  }
  static void TearDownTestSuite() {
    std::error_code ignored;
    fs::remove_all(Folder(), ignored);
  }
  static void Control(const std::string& name, const std::string& text) {
    ASSERT_TRUE(testbed::ReplaceWhole(Folder() / name, text)) << name;
  }
  // How many SCardGetStatusChange calls the double has answered so far.
  static long StatusChangeCalls() {
    std::ifstream log(Folder() / "log");
    long calls = 0;
    for (std::string line; std::getline(log, line);) {
      calls += line.starts_with("SCardGetStatusChangeA ") ? 1 : 0;
    }
    return calls;
  }
  void SetUp() override {
    Control("service", "running");
    Control("readers", kReader + "\n" + kOtherReader + "\n");
    Control("cards", "");
  }

  ScardSmartCard smartCard;
};

TEST_F(ScardSmartCardTest, SevenCallsReadCardsAndReportTheService) {
  ScardHandle context = 0;
  ASSERT_EQ(smartCard.EstablishContext(kScardScopeUser, context), kScardSuccess);
  std::uint32_t length = 0;
  ASSERT_EQ(smartCard.ListReaders(context, nullptr, length), kScardSuccess);
  std::string names(length, '\0');
  ASSERT_EQ(smartCard.ListReaders(context, names.data(), length), kScardSuccess);
  EXPECT_EQ(names, kReader + '\0' + kOtherReader + '\0' + '\0');
  ScardHandle card = 0;
  std::uint32_t protocol = 0;
  EXPECT_EQ(smartCard.Connect(context, kReader, kScardShareShared,
                              kScardProtocolT0 | kScardProtocolT1, card, protocol),
            kScardENoSmartcard);

  const struct {
    const char* card;
    Bytes getDataAnswer;
  } cases[] = {
      {"04A22B1A5C3E80 9000", {0x04, 0xA2, 0x2B, 0x1A, 0x5C, 0x3E, 0x80, 0x90, 0x00}},
      {"04A22B1A 6A81", {0x6A, 0x81}},
  };
  for (const auto& [cardLine, getDataAnswer] : cases) {
    SCOPED_TRACE(cardLine);
    Control("cards", std::string(cardLine) + " " + kReader + "\n");
    ASSERT_EQ(smartCard.Connect(context, kReader, kScardShareShared,
                                kScardProtocolT0 | kScardProtocolT1, card, protocol),
              kScardSuccess);
    EXPECT_EQ(protocol, kScardProtocolT1);
    ScardReaderState state;
    state.reader = kReader;
    EXPECT_EQ(smartCard.GetStatusChange(context, 0, state), kScardSuccess);
    EXPECT_EQ(state.eventState & (SCARD_STATE_PRESENT | kScardStateInUse),
              SCARD_STATE_PRESENT | kScardStateInUse);
    EXPECT_EQ(state.atrLength, 20u);

    const Bytes getData{0xFF, 0xCA, 0x00, 0x00, 0x00};
    ScardIoRequest recvPci;
    Bytes answer(258);
    std::uint32_t answerLength = 258;
    ASSERT_EQ(smartCard.Transmit(card, ScardIoRequest{protocol}, getData.data(), 5, recvPci,
                                 answer.data(), answerLength),
              kScardSuccess);
    answer.resize(answerLength);
    EXPECT_EQ(answer, getDataAnswer);
    EXPECT_EQ(smartCard.Disconnect(card, kScardUnpowerCard), kScardSuccess);
  }
  EXPECT_EQ(smartCard.ReleaseContext(context), kScardSuccess);

  Control("service", "stopped");
  EXPECT_EQ(smartCard.EstablishContext(kScardScopeUser, context), kScardENoService);
}

TEST_F(ScardSmartCardTest, WatchFollowsCardsReadersTheServiceAndTheReaderChoice) {
  Reports reports;
  smartCard.WatchReader(kReader, [&](ReaderChange change) { reports.Add(change); });
  Control("cards", "04A22B1A 9000 " + kReader + "\n");
  EXPECT_TRUE(reports.WaitFor(ReaderChange::kCardPresence));
  Control("readers", kReader + "\n");
  EXPECT_TRUE(reports.WaitFor(ReaderChange::kReaderList));

  // The reader unplugged with the card on it, then plugged in again: the watch follows it back.
  Control("readers", kOtherReader + "\n");
  EXPECT_TRUE(reports.WaitFor(ReaderChange::kCardPresence));
  Control("readers", kReader + "\n" + kOtherReader + "\n");
  EXPECT_TRUE(reports.WaitFor(ReaderChange::kCardPresence));
  Control("cards", "");
  EXPECT_TRUE(reports.WaitFor(ReaderChange::kCardPresence));

  Control("service", "stopped");
  std::this_thread::sleep_for(300ms);
  Control("service", "running");
  EXPECT_TRUE(reports.WaitFor(ReaderChange::kReaderList));

  // The window names its reader at every poll; the watch moves to it.
  Control("readers", kReader + "\n" + kOtherReader + "\n");
  Control("cards", "11223344 9000 " + kOtherReader + "\n");
  EXPECT_TRUE(reports.WaitFor(ReaderChange::kCardPresence,
                              [&] { smartCard.WatchReader(kOtherReader, nullptr); }));

  const auto stopping = std::chrono::steady_clock::now();
  smartCard.StopWatching();
  EXPECT_LT(std::chrono::steady_clock::now() - stopping, 500ms);
}

// The service answers an all-zero reader list, and a reader that is not there, at once on every
// call (as Windows does); a watch that calls again at once would spin. Idle for 5 s, it calls a
// few times a second at most, and a reader then plugged in is still seen within a second.
TEST_F(ScardSmartCardTest, WatchWaitsWithNoReaderOrWithItsReaderGoneAndSeesTheReaderCome) {
  const struct {
    const char* what;
    std::string watched;
    std::string readers;
    ReaderChange seen;
  } cases[] = {
      {"no reader attached", "", "", ReaderChange::kReaderList},
      {"the watched reader unplugged", kReader, kOtherReader + "\n", ReaderChange::kCardPresence},
  };
  for (const auto& [what, watched, readers, seen] : cases) {
    SCOPED_TRACE(what);
    Control("readers", readers);
    Reports reports;
    smartCard.WatchReader(watched, [&](ReaderChange change) { reports.Add(change); });
    std::this_thread::sleep_for(300ms);
    const long before = StatusChangeCalls();
    std::this_thread::sleep_for(5s);
    EXPECT_LT(StatusChangeCalls() - before, 60);

    Control("cards", "04A22B1A 9000 " + kReader + "\n");
    Control("readers", kReader + "\n" + kOtherReader + "\n");
    EXPECT_TRUE(reports.WaitFor(
        seen, [] {}, 1s));
    smartCard.StopWatching();
    Control("cards", "");
  }
}

}  // namespace
}  // namespace cardwedge
