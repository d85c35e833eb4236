#include "pcsc/pcsc_frm.h"

#include <algorithm>
#include <vector>

#include "common/end_program.h"
#include "pcsc/apdu_console.h"
#include "pcsc/pcsc_mod.h"
#include "roster/read_rules.h"
#include "roster/roster_fault_log.h"

namespace cardwedge {
namespace {

// From the last key of a read to showing its texts: long enough for the receiving window to be
// scheduled on a busy machine, short beside the restart's 100 ms.
constexpr int kEndReadDelayMs = 10;

}  // namespace

PCSCfrm::PCSCfrm(Platform& platform, ProgramState& state)
    : platform_(platform),
      state_(state),
      window_(platform.toolkit.OpenWindow(Declaration())),
      caption_(*window_, Declaration().title),
      texts_(*window_),
      hostWatch_(platform, state.ProcessCheckOff, SwitchReading::kLeadingNumber, "PC/SC"),
      typist_(platform, Typist::DigitsYield::kYieldFirst) {
  Toolkit& toolkit = platform.toolkit;
  Timer1 = toolkit.CreateTimer("Timer1", 100, false, [this] { Timer1_Timer(); });
  Timer2 = toolkit.CreateTimer("Timer2", 100, false, [this] { Timer2_Timer(); });
  Timer4 = toolkit.CreateTimer("Timer4", 500, false, [this] { Timer4_Timer(); });
  EndReadTimer =
      toolkit.CreateTimer("EndReadTimer", kEndReadDelayMs, false, [this] { EndReadTimer_Timer(); });
  WireControls();
}

PCSCfrm::~PCSCfrm() { platform_.smartCard.StopWatching(); }

void PCSCfrm::WireControls() {
  window_->OnClose([this] { Form_Unload(); });
  window_->Get("btnInit").OnClick([this] { btnInit_Click(); });
  window_->Get("btnConnect").OnClick([this] { btnConnect_Click(); });
  window_->Get("btnReset").OnClick([this] { btnReset_Click(); });
  window_->Get("btnQuit").OnClick([this] { btnQuit_Click(); });
  window_->Get("Command1").OnClick([this] { Command1_Click(); });
  window_->Get("btnGetData").OnClick([this] { btnGetData_Click(); });
  window_->Get("btnSendCommand").OnClick([this] { btnSendCommand_Click(); });
  window_->Get("btnClear").OnClick([this] { btnClear_Click(); });
  for (const char* field : {"tbCLA", "tbINS", "tbP1", "tbP2", "tbLc", "tbLe"}) {
    window_->Get(field).OnKeyPress(FilterHexKey);
  }
}

void PCSCfrm::Form_Load() {
  LoadRoster();
  PreloadSounds(platform_);
  Initialize();
  Command1_Click();
  Timer3 = platform_.toolkit.CreateTimer("Timer3", 10000, true, [this] { Timer3_Timer(); });
  Timer5 = platform_.toolkit.CreateTimer("Timer5", 1000, true, [this] { Timer5_Timer(); });
}

void PCSCfrm::Form_Unload() { EndProgram(platform_, 0); }

void PCSCfrm::Show() { window_->Show(); }

void PCSCfrm::Initialize() {
  window_->Get("cbReader").SetText("");
  window_->Get("btnConnect").SetEnabled(false);
  window_->Get("Frame1").SetEnabled(false);
  window_->Get("Frame2").SetEnabled(false);
  window_->Get("btnInit").SetEnabled(true);
  for (const char* field : {"tbCLA", "tbINS", "tbP1", "tbP2", "tbLc", "tbLe", "tbData"}) {
    window_->Get(field).SetText("");
  }
}

void PCSCfrm::btnInit_Click() {
  ListReadersAnew();
  ShowState();
}

// Releases a context still held, establishes a new one, lists the readers and chooses one.
void PCSCfrm::ListReadersAnew() {
  SmartCard& smartCard = platform_.smartCard;
  if (contextHeld_) {
    smartCard.ReleaseContext(ContextHandle);
    contextHeld_ = false;
  }
  lastListingTime_ = platform_.clock.SecondsSinceMidnight();
  LastResult = smartCard.EstablishContext(kScardScopeUser, ContextHandle);
  stateReport_.ContextEstablished(LastResult);
  if (LastResult != kScardSuccess) return;
  contextHeld_ = true;

  Control& cbReader = window_->Get("cbReader");
  cbReader.ClearItems();
  // Asks for the length of the list first, so that any number of readers with names of any
  // length is read whole.
  ReaderListLength = 0;
  LastResult = smartCard.ListReaders(ContextHandle, nullptr, ReaderListLength);
  if (LastResult == kScardENoReadersAvailable) stateReport_.ReaderChosen("");
  if (LastResult != kScardSuccess) return;
  ReaderList.assign(ReaderListLength, '\0');
  LastResult = smartCard.ListReaders(ContextHandle, ReaderList.data(), ReaderListLength);
  if (LastResult != kScardSuccess) return;
  const std::size_t written = std::min<std::size_t>(ReaderListLength, ReaderList.size());
  FillReaderList(cbReader,
                 platform_.textCodec.AnsiToUtf8(std::string_view(ReaderList.data(), written)));

  std::vector<std::string> names;
  names.reserve(static_cast<std::size_t>(cbReader.ItemCount()));
  for (int i = 0; i < cbReader.ItemCount(); ++i) names.push_back(cbReader.ItemText(i));
  const int chosen = ChooseReader(names);
  if (chosen >= 0) cbReader.SetListIndex(chosen);
  stateReport_.ReaderChosen(chosen >= 0 ? names[static_cast<std::size_t>(chosen)] : "");
}

void PCSCfrm::ReleaseCardAndContext() {
  LastResult = platform_.smartCard.Disconnect(CardHandle, kScardUnpowerCard);
  LastResult = platform_.smartCard.ReleaseContext(ContextHandle);
  contextHeld_ = false;
}

void PCSCfrm::btnReset_Click() {
  ReleaseCardAndContext();
  Initialize();
}

void PCSCfrm::btnQuit_Click() {
  ReleaseCardAndContext();
  Form_Unload();
}

// The start step: a new context and reader list, then the state report, then the presence poll.
void PCSCfrm::Command1_Click() {
  btnInit_Click();
  WatchChosenReader();
  platform_.toolkit.DoEvents();
  PcscInfo();
  Timer1->SetEnabled(true);
}

void PCSCfrm::PcscInfo() {
  ScardReaderState readerState;
  readerState.reader = platform_.textCodec.Utf8ToAnsi(window_->Get("cbReader").Text());
  readerState.currentState = kScardStateUnaware;
  LastResult = platform_.smartCard.GetStatusChange(ContextHandle, 0, readerState);
  ReaderBusy = ReaderBusyFromEventState(readerState.eventState);
}

void PCSCfrm::Timer3_Timer() { hostWatch_.HostCheckTick(); }

void PCSCfrm::Timer5_Timer() {
  hostWatch_.SwitchFileTick(ScreenMode);
  ShowState();
}

void PCSCfrm::ShowState() {
  std::vector<std::string> states;
  if (stateReport_.serviceLost()) {
    states.emplace_back(kServiceStoppedState);
  } else if (stateReport_.noReader()) {
    states.emplace_back(kReaderMissingState);
  }
  states.push_back(ReadModeState(ScreenMode));
  caption_.Show(states);
}

void PCSCfrm::LoadRoster() {
  roster_ = cardwedge::LoadRoster(platform_.files, platform_.textCodec);
  LogRosterFaults(roster_, state_.RosterFaultReportsLogged);
}

}  // namespace cardwedge
