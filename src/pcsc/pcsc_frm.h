#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "common/program_state.h"
#include "pcsc/pcsc_state_report.h"
#include "platform/platform.h"
#include "roster/card_lookup.h"
#include "roster/host_watch.h"
#include "roster/read_texts.h"
#include "roster/roster.h"
#include "roster/typing.h"
#include "roster/window_caption.h"

namespace cardwedge {

inline constexpr char kServiceStoppedState[] = "スマートカードサービス停止中";

// The PC/SC reader window: a presence poll that reads each card laid on the chosen reader once,
// shows its identifier and types it (raw-ID mode) or the roster value it stands for (lookup
// mode); a reader state report; and a console that sends one hand-typed command to a card.
class PCSCfrm {
 public:
  PCSCfrm(Platform& platform, ProgramState& state);
  ~PCSCfrm();
  PCSCfrm(const PCSCfrm&) = delete;
  PCSCfrm& operator=(const PCSCfrm&) = delete;

  static WindowDeclaration Declaration();

  // Start and end of the window.
  void Form_Load();
  void Form_Unload();
  void Show();

  // Context, reader list and card connection.
  void btnInit_Click();
  void btnConnect_Click();
  void btnReset_Click();
  void btnQuit_Click();
  void Command1_Click();

  // Read cycle.
  void Timer1_Timer();
  void Timer2_Timer();
  void Timer4_Timer();
  void EndReadTimer_Timer();
  void btnGetData_Click();

  // Host watch.
  void Timer3_Timer();
  void Timer5_Timer();

  // Console.
  void btnSendCommand_Click();
  void btnClear_Click();

 private:
  void Initialize();
  void ListReadersAnew();
  // The service's and the reader's state and the read mode, in the window's title.
  void ShowState();
  // Disconnects the card with power off and releases the context.
  void ReleaseCardAndContext();
  // Reader state report: ReaderBusy from the chosen reader's event state.
  void PcscInfo();
  void ClearBuffers();
  ScardResult SendAPDU(int mode);
  void LoadRoster();
  void WireControls();
  void ReadStep();
  void TypeCardId(const std::string& cardId);
  void LookUpAndType(const std::string& cardId);
  void RestartIfServiceLost(ScardResult stateResult);
  void WatchChosenReader();
  void ReaderChanged(ReaderChange change);

  Platform& platform_;
  ProgramState& state_;
  std::unique_ptr<Window> window_;
  WindowCaption caption_;
  // The read step's texts, held from its start until the read has ended.
  ReadTexts texts_;
  Roster roster_;
  HostWatch hostWatch_;
  Typist typist_;

  std::unique_ptr<Timer> Timer1;
  std::unique_ptr<Timer> Timer2;
  std::unique_ptr<Timer> Timer3;
  std::unique_ptr<Timer> Timer4;
  std::unique_ptr<Timer> Timer5;
  std::unique_ptr<Timer> EndReadTimer;

  // Read mode from the host's switch file: 0 lookup, 1 raw ID, 2 paused.
  int ScreenMode = 0;

  // Smart-card state.
  ScardResult LastResult = kScardSuccess;
  std::uint32_t ActiveProtocol = 0;
  ScardHandle ContextHandle = 0;
  ScardHandle CardHandle = 0;
  int ReaderBusy = 0;
  // The reader names as the service wrote them, sized by the service's answer.
  std::vector<char> ReaderList;
  std::uint32_t ReaderListLength = 0;

  // Read cycle state.
  int CardAlreadyRead = 0;
  std::string LastCardId;
  double LastReadTime = 0;
  LookupResult lookup;

  // Command buffers.
  std::array<std::uint8_t, 256> SendBuffer{};
  std::array<std::uint8_t, 256> RecvBuffer{};
  std::uint32_t SendLength = 0;
  std::uint32_t RecvLength = 0;
  ScardIoRequest IoRequest;
  bool ValidResponse = false;

  bool contextHeld_ = false;
  ScardResult connectResult_ = kScardSuccess;
  bool pollUnderWay_ = false;
  std::optional<double> lastListingTime_;
  PcscStateReport stateReport_;
};

}  // namespace cardwedge
