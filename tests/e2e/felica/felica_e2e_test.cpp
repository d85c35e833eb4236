#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/wait.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>

#include "felica/felica_form1.h"
#include "roster/host_watch.h"
#include "roster/read_rules.h"
#include "roster/roster.h"
#include "testbed.h"

namespace cardwedge {
namespace {

namespace fs = std::filesystem;
using testbed::ChildProcess;
using testbed::kEventTimeout;
using testbed::KeyCapture;
using testbed::Pn532Emulator;
using testbed::ProcessOptions;
using testbed::Xvfb;

constexpr char kRosterCard[] = "012E4C3A0F10889B";
constexpr char kUnknownCard[] = "0A1B2C3D4E5F6789";

std::string Record(const std::string& value, const std::string& text, const std::string& card) {
  std::string line = "r";
  for (int i = 2; i <= 50; ++i) {
    line += ',';
    if (i == 2) line += value;
    if (i == 3) line += text;
    if (i == 49) line += card;
  }
  return line + "\r\n";
}

void WriteFile(const fs::path& path, const std::string& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out << bytes;
}

// A copy of the program in a folder of its own, with its sounds, a roster and a switch file.
class ProgramFolder {
 public:
  ProgramFolder() {
    std::string pattern = (fs::temp_directory_path() / "cardwedge-e2e-XXXXXX").string();
    if (::mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("cannot make a folder");
    path_ = pattern;
    fs::copy_file(CARDWEDGE_PROGRAM_PATH, program());
    for (const char* sound : {kConfirmationSoundName, kWarningSoundName}) {
      fs::copy_file(fs::path(CARDWEDGE_BUILD_DIR) / sound, path_ / sound);
    }
    fs::create_directory(path_ / "run");
  }
  ~ProgramFolder() {
    std::error_code ignored;
    fs::remove_all(path_, ignored);
  }

  const fs::path& path() const { return path_; }
  fs::path program() const { return path_ / "cardwedge"; }

 private:
  fs::path path_;
};

// Polls seen by the emulator until this many have answered the card, so a test knows the
// program has seen the card at least that often.
void WaitForPollsOf(Pn532Emulator& emulator, const std::string& idm, int count) {
  for (int seen = 0; seen < count;) {
    if (emulator.WaitForPoll() == "card " + idm) ++seen;
  }
}

TEST(FelicaEndToEnd, TypesRosterValuesOnceAndRawIdsOnRequestAndNothingForUnknownCards) {
  ProgramFolder folder;
  WriteFile(folder.path() / kRosterFileName, Record("00123", "佐藤", kRosterCard));
  WriteFile(folder.path() / kSwitchFileName, "0");
  WriteFile(folder.path() / kFelicaSwitchFileName, "");

  Xvfb xvfb;
  KeyCapture capture(xvfb.display(), "host", /*keep_focus=*/true);
  Pn532Emulator reader(folder.path() / "pn532");
  reader.Card(kRosterCard);

  ChildProcess program(
      {folder.program().string(), "1", "2"},
      ProcessOptions{.environment = {{"DISPLAY", xvfb.display()},
                                     {"XDG_RUNTIME_DIR", (folder.path() / "run").string()},
                                     {"CARDWEDGE_NO_DIALOGS", "1"},
                                     {"LIBNFC_DEVICE", reader.connstring()}}});

  // A roster card on the reader: its value, once, while it stays there for five seconds
  // (the window polls ten times a second).
  EXPECT_TRUE(capture.WaitForText("00123\n")) << capture.ReceivedText();
  WaitForPollsOf(reader, kRosterCard, 50);
  EXPECT_EQ(capture.ReceivedText(), "00123\n");
  EXPECT_TRUE(fs::exists(folder.path() / kFelicaSwitchFileName));

  // A card not in the roster: nothing.
  reader.Card(kUnknownCard);
  WaitForPollsOf(reader, kUnknownCard, 10);
  EXPECT_EQ(capture.ReceivedText(), "00123\n");

  // The host asks for raw IDs: the card's 16 characters and Enter.
  WriteFile(folder.path() / kSwitchFileName, "1");
  const std::string rawId = std::string("00123\n") + kUnknownCard + "\n";
  EXPECT_TRUE(capture.WaitForText(rawId)) << capture.ReceivedText();

  // The host asks for the end.
  WriteFile(folder.path() / kSwitchFileName, "9");
  const std::optional<int> status = program.Wait(kEventTimeout);
  ASSERT_TRUE(status.has_value());
  EXPECT_TRUE(WIFEXITED(*status) && WEXITSTATUS(*status) == 0) << *status;
}

}  // namespace
}  // namespace cardwedge
