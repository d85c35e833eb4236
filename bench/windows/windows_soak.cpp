// The Windows soak: the release cardwedge.exe (`cardwedge 1 4`, both reader windows) fed card
// after card through the test-double DLLs' control folders, with key_target.exe of another
// process holding the focus. PC/SC and FeliCa roster cards and unknown PC/SC cards in lookup
// mode, then PC/SC identifiers and FeliCa IDms in raw-ID mode. The text the target receives must
// be exactly the expected sequence, and the program's handles, window objects and memory after
// the first tenth of the run must not have grown by its end. Prints the figures; exits 1 on any
// loss or growth.
//   windows_soak.exe [PRESENTATIONS]   (default 500)

#include <windows.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "bed_support.h"
#include "control_folder.h"
#include "process_footprint.h"
#include "roster/host_watch.h"
#include "roster/roster.h"
#include "roster_line.h"
#include "windows_process.h"

namespace cardwedge::soak {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;
using testbed::kStateTimeout;
using testbed::WaitUntil;
using testbed::Wide;
using testbed::WindowsProcess;
using testbed::WinePath;
using Lines = std::vector<std::string>;

constexpr int kCards = 16;
constexpr char kReader[] = "ACS ACR122U PICC Interface 0";
constexpr char kUnknownUid[] = "11223344";
constexpr char kCp932Text[] = "\x8D\xB2\x93\xA1";

std::string TwoHex(int value) {
  char text[3];
  std::snprintf(text, sizeof text, "%02X", value);
  return text;
}
std::string PcscUid(int card) { return "04A22B1A5C3E" + TwoHex(card); }
std::string FelicaIdm(int card) { return "012E4C3A0F1088" + TwoHex(card); }
std::string PcscValue(int card) { return std::to_string(24100 + card); }
std::string FelicaValue(int card) { return std::to_string(24200 + card); }

// Counts the lines of a test double's log holding a text, reading only what was added since the
// last look (the log grows by every poll of a long run).
class LogWatch {
 public:
  LogWatch(fs::path log, std::string text) : log_(std::move(log)), text_(std::move(text)) {}
  long Count() {
    std::ifstream log(log_, std::ios::binary);
    log.seekg(offset_);
    for (std::string line; std::getline(log, line);) {
      if (log.eof()) break;  // a line still being written: read it whole next time
      offset_ = log.tellg();
      count_ += line.find(text_) != std::string::npos;
    }
    return count_;
  }

 private:
  fs::path log_;
  std::string text_;
  std::streamoff offset_ = 0;
  long count_ = 0;
};

// The program folder, laid out as a user does, with the doubles' control folders in it.
class Bed {
 public:
  Bed()
      : folder_(fs::temp_directory_path() /
                ("cardwedge-soak-" + std::to_string(GetCurrentProcessId()))) {
    fs::remove_all(folder_);
    testbed::LayOutProgramFolder(folder_, CARDWEDGE_EXE, WINSCARD_DOUBLE, FELICA_DOUBLE);
    Write(Wide(kRosterFolderFileName), "");
    std::string roster;
    for (int card = 0; card < kCards; ++card) {
      roster += RosterLine(PcscValue(card), kCp932Text, PcscUid(card)) +
                RosterLine(FelicaValue(card), kCp932Text, FelicaIdm(card));
    }
    Write(Wide(kRosterFileName), roster);
    Write(L"winscard\\readers", std::string(kReader) + "\n");
  }
  ~Bed() {
    std::error_code ignored;
    fs::remove_all(folder_, ignored);
  }

  void Write(const std::wstring& name, const std::string& bytes) {
    if (!testbed::ReplaceWhole(folder_ / name, bytes)) {
      std::fprintf(stderr, "windows_soak: cannot write %ls\n", name.c_str());
      std::exit(2);
    }
  }
  const fs::path& folder() const { return folder_; }

 private:
  fs::path folder_;
};

// The program and the key target, and one presentation of each kind.
class Run {
 public:
  explicit Run(Bed& bed)
      : bed_(bed),
        program_((bed.folder() / "cardwedge.exe").wstring(), {L"1", L"4"},
                 {{L"CARDWEDGE_WINSCARD_CONTROL", (bed.folder() / "winscard").wstring()},
                  {L"CARDWEDGE_FELICA_CONTROL", (bed.folder() / "felica").wstring()},
                  {L"CARDWEDGE_NO_DIALOGS", L"1"}}),
        gotData_(bed.folder() / "winscard" / "log", "SCardTransmit FFCA000000 -> "),
        noPcscCard_(bed.folder() / "winscard" / "log", "protocols=3 = 0x8010000C"),
        noFelicaCard_(bed.folder() / "felica" / "log", "time_slot=0 = 0") {}

  bool Start() {
    if (!WaitUntil([&] { return fs::exists(bed_.folder() / Wide(kSwitchFileName)); })) return false;
    keyTarget_ = std::make_unique<WindowsProcess>(WinePath(KEY_TARGET_EXE).wstring(),
                                                  std::vector<std::wstring>{},
                                                  WindowsProcess::EnvironmentChanges{}, true);
    return WaitUntil([&] { return Ready(); });
  }

  // A card on the PC/SC reader until the program has read it, then taken away until the
  // program has found the reader empty; typed shows whether a line must arrive.
  bool PresentPcsc(const std::string& uid, const std::string& typed) {
    const long reads = gotData_.Count();
    if (!typed.empty()) expected_.push_back(typed);
    bed_.Write(L"winscard\\cards", uid + " 9000 " + kReader + "\n");
    if (!WaitUntil([&] { return gotData_.Count() > reads; })) return false;
    if (!WaitUntil([&] { return Received().size() == expected_.size(); })) return false;
    const long empty = noPcscCard_.Count();
    bed_.Write(L"winscard\\cards", "");
    return WaitUntil([&] { return noPcscCard_.Count() > empty; });
  }

  bool PresentFelica(const std::string& idm, const std::string& typed) {
    expected_.push_back(typed);
    bed_.Write(L"felica\\card", idm + "\n");
    if (!WaitUntil([&] { return Received().size() == expected_.size(); })) return false;
    const long empty = noFelicaCard_.Count();
    bed_.Write(L"felica\\card", "");
    return WaitUntil([&] { return noFelicaCard_.Count() > empty; });
  }

  // Raw-ID mode comes at each window's next switch-file tick, once a second: the FeliCa window
  // shows no sign of it, so this waits out a tick and a half; the unknown card is then laid until
  // the PC/SC window types its identifier (in lookup mode it types nothing).
  bool SwitchToRawId() {
    bed_.Write(Wide(kSwitchFileName), "1");
    std::this_thread::sleep_for(1500ms);
    return WaitUntil([&] {
      if (!PresentPcsc(kUnknownUid, "")) return false;
      if (Received().size() == expected_.size()) return false;
      expected_.push_back(kUnknownUid);
      return true;
    });
  }

  Lines Received() const {
    Lines lines;
    for (const std::string& line : keyTarget_->Lines()) {
      if (line.starts_with("line ")) lines.push_back(line.substr(5));
    }
    return lines;
  }
  const Lines& Expected() const { return expected_; }
  // Taken from outside, as any other process would.
  ProcessFootprint Footprint() const {
    const HANDLE process =
        OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ, FALSE, program_.id());
    const ProcessFootprint footprint = TakeFootprint(process);
    CloseHandle(process);
    return footprint;
  }
  bool End() {
    bed_.Write(Wide(kSwitchFileName), "9");
    return program_.Wait(kStateTimeout) == 0u;
  }

 private:
  bool Ready() const {
    for (const std::string& line : keyTarget_->Lines()) {
      if (line == "ready") return true;
    }
    return false;
  }

  Bed& bed_;
  WindowsProcess program_;
  std::unique_ptr<WindowsProcess> keyTarget_;
  LogWatch gotData_, noPcscCard_, noFelicaCard_;
  Lines expected_;
};

// The first place where two sequences differ, for the report.
std::string FirstDifference(const Lines& expected, const Lines& received) {
  for (std::size_t i = 0; i < std::max(expected.size(), received.size()); ++i) {
    const std::string want = i < expected.size() ? expected[i] : "(nothing)";
    const std::string got = i < received.size() ? received[i] : "(nothing)";
    if (want != got) return "line " + std::to_string(i + 1) + ": expected " + want + ", got " + got;
  }
  return "none";
}

int Soak(int presentations) {
  Bed bed;
  Run run(bed);
  if (!run.Start()) {
    std::fprintf(stderr, "windows_soak: the program or the key target did not start\n");
    return 1;
  }
  const auto started = std::chrono::steady_clock::now();
  // The last fifth in raw-ID mode, PC/SC and FeliCa in turn; before it, lookup mode.
  const int lookup = presentations - presentations / 5;
  ProcessFootprint first;
  int done = 0;
  bool ok = true;
  for (; ok && done < presentations; ++done) {
    if (done == presentations / 10) first = run.Footprint();
    const int card = done / 3 % kCards;
    if (done < lookup) {
      switch (done % 3) {
        case 0:
          ok = run.PresentPcsc(PcscUid(card), PcscValue(card));
          break;
        case 1:
          ok = run.PresentFelica(FelicaIdm(card), FelicaValue(card));
          break;
        default:
          ok = run.PresentPcsc(kUnknownUid, "");
          break;
      }
    } else if (done == lookup) {
      ok = run.SwitchToRawId();
    } else if (done % 2 == 0) {
      ok = run.PresentPcsc(PcscUid(card), PcscUid(card));
    } else {
      ok = run.PresentFelica(FelicaIdm(card), FelicaIdm(card));
    }
  }
  const ProcessFootprint last = run.Footprint();
  const Lines received = run.Received();
  const bool exact = received == run.Expected();
  const bool ended = run.End();
  const auto seconds =
      std::chrono::duration_cast<std::chrono::seconds>(std::chrono::steady_clock::now() - started);
  std::printf("presentations %d of %d (%d lookup mode, %d raw-ID), %zu lines typed, %lld s\n", done,
              presentations, std::min(done, lookup), std::max(0, done - lookup), received.size(),
              static_cast<long long>(seconds.count()));
  std::printf("typed text %s (first difference: %s)\n", exact ? "exact" : "DIFFERS",
              FirstDifference(run.Expected(), received).c_str());
  std::printf("%s%s\n", Describe(first, last).c_str(), Grew(first, last) ? " GREW" : "");
  if (!ok) std::printf("a presentation was not read or typed in time\n");
  if (!ended) std::printf("the program did not end at switch value 9\n");
  return ok && exact && ended && !Grew(first, last) ? 0 : 1;
}

}  // namespace
}  // namespace cardwedge::soak

int main(int argc, char** argv) {
  const int presentations = argc > 1 ? std::atoi(argv[1]) : 500;
  if (presentations < 10) {
    std::fprintf(stderr, "usage: windows_soak [PRESENTATIONS (10 or more; default 500)]\n");
    return 2;
  }
  return cardwedge::soak::Soak(presentations);
}
