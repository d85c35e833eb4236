#include "felica/felica_form1.h"

#include "common/end_program.h"
#include "diagnostics/diagnostics.h"
#include "roster/read_rules.h"
#include "roster/roster_fault_log.h"

namespace cardwedge {

FelicaForm1::FelicaForm1(Platform& platform, ProgramState& state)
    : platform_(platform),
      state_(state),
      window_(platform.toolkit.OpenWindow(Declaration())),
      caption_(*window_, Declaration().title),
      texts_(*window_),
      hostWatch_(platform, state.ProcessCheckOff, SwitchReading::kWholeNumber, "FeliCa"),
      typist_(platform, Typist::DigitsYield::kNone) {
  window_->OnClose([this] { Form_Unload(); });
  window_->Get("PasoriCommand1").OnClick([this] { PasoriCommand1_Click(); });
  window_->Get("PasoriCommand2").OnClick([this] { PasoriCommand2_Click(); });
  window_->Get("PasoriCommand4").OnClick([this] { PasoriCommand4_Click(); });
}

WindowDeclaration FelicaForm1::Declaration() {
  WindowDeclaration declaration;
  declaration.name = "FelicaForm1";
  declaration.title = "cardwedge - FeliCa reader";
  declaration.clientWidth = 7350;
  declaration.clientHeight = 2400;
  // Side by side with the PC/SC window when both run, this one on the left.
  declaration.left = 600;
  declaration.top = 600;
  declaration.background = Rgb{128, 255, 128};
  const auto add = [&declaration](ControlDeclaration control) {
    declaration.controls.push_back(std::move(control));
  };
  add({.kind = ControlKind::kPictureBox, .name = "PasoriPicture1", .bounds = {0, 0, 7350, 2400}});
  add({.kind = ControlKind::kLabel,
       .name = "PasoriLabel1",
       .text = "FeliCaリーダーのカードを検出し、学籍番号をホストアプリへ送ります",
       .bounds = {120, 240, 7110, 480},
       .parent = "PasoriPicture1",
       .fontPoints = 10});
  add({.kind = ControlKind::kLabel,
       .name = "PasoriLabel2",
       .text = "Label2",
       .bounds = {120, 900, 7110, 480},
       .parent = "PasoriPicture1",
       .fontPoints = 10});
  add({.kind = ControlKind::kLabel,
       .name = "PasoriLabel5",
       .bounds = {120, 1560, 7110, 480},
       .parent = "PasoriPicture1",
       .fontPoints = 10});
  for (const char* name : {"PasoriCommand1", "PasoriCommand2", "PasoriCommand4"}) {
    add({.kind = ControlKind::kButton,
         .name = name,
         .text = std::string("Command") + name[std::string_view(name).size() - 1],
         .bounds = {0, 0, 1215, 495},
         .parent = "PasoriPicture1",
         .visible = false});
  }
  add({.kind = ControlKind::kTextBox,
       .name = "PasoriText1",
       .text = "Text1",
       .bounds = {0, 0, 1215, 375},
       .parent = "PasoriPicture1",
       .visible = false});
  add({.kind = ControlKind::kLabel,
       .name = "Label1",
       .text = "Label1",
       .bounds = {0, 0, 1215, 255},
       .parent = "PasoriPicture1",
       .visible = false});
  return declaration;
}

void FelicaForm1::Form_Load() {
  if (platform_.instanceGuard.AnotherInstanceRunning()) EndProgram(platform_, 0);
  module_.OpenFelicaReader(platform_.felicaLibrary);
  ShowState();
  LoadRoster();
  PreloadSounds(platform_);
  PasoriTimer1 =
      platform_.toolkit.CreateTimer("PasoriTimer1", 100, true, [this] { PasoriTimer1_Timer(); });
  PasoriTimer2 =
      platform_.toolkit.CreateTimer("PasoriTimer2", 10000, true, [this] { PasoriTimer2_Timer(); });
  PasoriTimer3 =
      platform_.toolkit.CreateTimer("PasoriTimer3", 1000, true, [this] { PasoriTimer3_Timer(); });
}

// A poll is where the library finds the reader lost or back.
void FelicaForm1::PasoriTimer1_Timer() {
  FollowSession();
  if (readerReleased_) return;
  if (RosterScreenMode == kLookupMode || RosterScreenMode == kRawIdMode) {
    ReadFelicaCard();
    ShowState();
  }
}

// With fast user switching the instance of the session at the console needs the reader, which
// one program at a time can hold; a locked session types nothing anyway.
void FelicaForm1::FollowSession() {
  const SessionState session = platform_.session.State();
  const bool away = session == SessionState::kLocked || session == SessionState::kAway;
  if (away == readerReleased_) return;
  readerReleased_ = away;
  if (away) {
    platform_.felicaLibrary.close_reader_writer();
    window_->Get("PasoriLabel2").SetText("");
    Diagnose(session == SessionState::kLocked
                 ? "FeliCa reader released: the screen is locked"
                 : "FeliCa reader released: this session is not at the desk");
    return;
  }
  cardLaidWhileAway_ = true;
  Diagnose(platform_.felicaLibrary.open_reader_writer_auto()
               ? std::string("FeliCa reader opened")
               : std::string("FeliCa reader not opened: ") + kCantOpenReaderWriter);
}

void FelicaForm1::PasoriTimer2_Timer() {
  if (state_.ProcessCheckOff != 1) PasoriCommand4_Click();
}

void FelicaForm1::PasoriTimer3_Timer() {
  hostWatch_.SwitchFileTick(RosterScreenMode);
  ShowState();
}

void FelicaForm1::PasoriCommand1_Click() {
  module_.OpenFelicaReader(platform_.felicaLibrary);
  ShowState();
}

void FelicaForm1::PasoriCommand2_Click() {
  ReadFelicaCard();
  ShowState();
}

void FelicaForm1::PasoriCommand4_Click() { hostWatch_.HostCheck(); }

void FelicaForm1::Form_Unload() { EndProgram(platform_, 0); }

void FelicaForm1::Show() { window_->Show(); }

void FelicaForm1::ShowState() {
  std::vector<std::string> states;
  switch (platform_.felicaLibrary.ReaderState()) {
    case FelicaReaderState::kLibraryNotLoaded:
      states.emplace_back(kFelicaLibraryMissingState);
      break;
    case FelicaReaderState::kReaderNotOpen:
      states.emplace_back(kReaderMissingState);
      break;
    case FelicaReaderState::kReaderOpen:
      break;
  }
  states.push_back(ReadModeState(RosterScreenMode));
  caption_.Show(states);
}

void FelicaForm1::LoadRoster() {
  roster_ = cardwedge::LoadRoster(platform_.files, platform_.textCodec);
  LogRosterFaults(roster_, state_.RosterFaultReportsLogged);
}

}  // namespace cardwedge
