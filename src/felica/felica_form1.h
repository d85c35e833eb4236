#pragma once

#include <memory>
#include <optional>
#include <string>

#include "common/program_state.h"
#include "felica/module_felica.h"
#include "platform/platform.h"
#include "roster/card_lookup.h"
#include "roster/host_watch.h"
#include "roster/read_texts.h"
#include "roster/roster.h"
#include "roster/typing.h"
#include "roster/window_caption.h"

namespace cardwedge {

inline constexpr char kFelicaSwitchFileName[] = "felica対応sw.txt";
inline constexpr char kFelicaLibraryMissingState[] = "FeliCaライブラリを読み込めません";

// The FeliCa reader window: polls the reader ten times a second and types what a card stands
// for into the focused window.
class FelicaForm1 {
 public:
  FelicaForm1(Platform& platform, ProgramState& state);

  static WindowDeclaration Declaration();

  void Form_Load();
  void Form_Unload();
  void Show();

  void PasoriTimer1_Timer();
  void PasoriTimer2_Timer();
  void PasoriTimer3_Timer();
  void PasoriCommand1_Click();
  void PasoriCommand2_Click();
  void PasoriCommand4_Click();

  const ModuleFelica& felicaModule() const { return module_; }

 private:
  void LoadRoster();
  // The library's and the reader's state and the read mode, in the window's title.
  void ShowState();
  // Releases the reader while the session is locked or away and opens it again on return.
  void FollowSession();
  void ReadFelicaCard();
  // Steps of one read cycle from the poll on; any error they raise takes the error path.
  void PollAndType();
  void TypeFoundValue(const std::optional<std::string>& value);
  void TypeAcceptedRead(double now);
  void DeleteFelicaSwitchFile();
  std::optional<std::string> FelicaPasswordSearch(const std::string& bbb);

  Platform& platform_;
  ProgramState& state_;
  ModuleFelica module_;  // FelicaMessage, FelicaIDm, LastFelicaIDm
  int RosterScreenMode = kLookupMode;
  std::unique_ptr<Window> window_;
  WindowCaption caption_;
  ReadTexts texts_;
  Roster roster_;
  HostWatch hostWatch_;
  Typist typist_;
  // Clock value of the last accepted read in either mode; 0 until the first.
  double LastReadTime = 0;
  // SecondEntryFlag and FoundText of the last successful lookup.
  LookupResult lookup_;
  // The last accepted read as it stood before reads whose values were refused. A poll that finds
  // no card gives it back, so the same card laid again is typed, and one left lying is not
  // retried at every poll.
  struct AcceptedRead {
    double time = 0;
    std::string cardId;
  };
  std::optional<AcceptedRead> beforeRefusal_;
  // The reader is released while the session is locked or away.
  bool readerReleased_ = false;
  // Set on the return to the desk: a card lying on the reader then was laid while nobody here
  // could see the result, and is typed only once it has been lifted and laid again.
  bool cardLaidWhileAway_ = false;
  std::unique_ptr<Timer> PasoriTimer1;
  std::unique_ptr<Timer> PasoriTimer2;
  std::unique_ptr<Timer> PasoriTimer3;
};

}  // namespace cardwedge
