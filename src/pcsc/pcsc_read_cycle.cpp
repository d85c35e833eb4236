#include <utility>

#include "pcsc/get_data.h"
#include "pcsc/pcsc_frm.h"
#include "pcsc/pcsc_mod.h"
#include "roster/not_typed_caption.h"
#include "roster/read_rules.h"

namespace cardwedge {
namespace {

// Marks a poll as under way for as long as the handler runs, however it is left.
class PollUnderWay {
 public:
  explicit PollUnderWay(bool& flag) : flag_(flag) { flag_ = true; }
  ~PollUnderWay() { flag_ = false; }
  PollUnderWay(const PollUnderWay&) = delete;
  PollUnderWay& operator=(const PollUnderWay&) = delete;

 private:
  bool& flag_;
};

// A lost service or reader is listed again at most this often.
constexpr double kRelistIntervalSeconds = 1.0;

}  // namespace

// The presence poll: a connect succeeds only while a card is on the reader. A tick that falls
// due while an earlier poll is still reading (at one of its yields) is held back, so a card is
// never read by two polls at once.
void PCSCfrm::Timer1_Timer() {
  if (pollUnderWay_) return;
  WatchChosenReader();
  if (ScreenMode != kLookupMode && ScreenMode != kRawIdMode) return;
  PollUnderWay underWay(pollUnderWay_);
  PcscInfo();
  const ScardResult stateResult = LastResult;
  btnConnect_Click();
  texts_.Show({"Text1", std::to_string(ReaderBusy)});
  // A card read ends in the restart, which lists the readers anew after the card is released.
  if (EndReadTimer->Enabled()) return;
  RestartIfServiceLost(stateResult);
}

// The reader watch wakes the presence poll as soon as the service sees a card arrive or a reader
// attached, instead of at the next tick; the poll then runs on the user-interface thread, held
// back as a tick is. A new reader list is read at once, not at the next once-a-second recovery.
void PCSCfrm::WatchChosenReader() {
  const std::string reader = platform_.textCodec.Utf8ToAnsi(window_->Get("cbReader").Text());
  platform_.smartCard.WatchReader(reader, [this](ReaderChange change) {
    platform_.toolkit.Post([this, change] { ReaderChanged(change); });
  });
}

void PCSCfrm::ReaderChanged(ReaderChange change) {
  if (!Timer1->Enabled() || pollUnderWay_) return;
  if (change == ReaderChange::kReaderList) lastListingTime_.reset();
  Timer1_Timer();
}

void PCSCfrm::btnConnect_Click() {
  const std::string reader = platform_.textCodec.Utf8ToAnsi(window_->Get("cbReader").Text());
  LastResult =
      platform_.smartCard.Connect(ContextHandle, reader, kScardShareShared,
                                  kScardProtocolT0 | kScardProtocolT1, CardHandle, ActiveProtocol);
  connectResult_ = LastResult;
  if (LastResult != kScardSuccess) {
    CardAlreadyRead = 0;
    return;
  }
  ReadStep();
}

// When pcscd went away (its old context stays dead after it returns) or the reader did, or no
// reader was listed, the poll alone could never see a card again: list anew, at most once a
// second, until it works. A reader without a card is not such a case.
void PCSCfrm::RestartIfServiceLost(ScardResult stateResult) {
  const bool lost = ServiceOrReaderLost(stateResult) || ServiceOrReaderLost(connectResult_) ||
                    window_->Get("cbReader").ItemCount() == 0;
  if (!lost) return;
  const double now = platform_.clock.SecondsSinceMidnight();
  if (lastListingTime_ && ElapsedSince(now, *lastListingTime_) < kRelistIntervalSeconds) return;
  btnInit_Click();
}

// Reads the connected card once (a card left on the reader is not read again), releases card
// and context and stops the presence poll. The keyboard's checks start while the card is read. The
// read's lines and labels and the restart follow at EndReadTimer's tick: on a busy machine, the
// window's repaint would otherwise take the processor from the window receiving the keys.
void PCSCfrm::ReadStep() {
  if (CardAlreadyRead == 0) typist_.ExpectValue();
  platform_.toolkit.DoEvents();
  texts_.Hold();
  if (CardAlreadyRead == 0) btnGetData_Click();
  CardAlreadyRead = 1;
  btnReset_Click();
  Timer1->SetEnabled(false);
  EndReadTimer->SetEnabled(true);
}

// After a yield, shows what the read has to show, then hands over to the restart, which alone
// starts the presence poll again.
void PCSCfrm::EndReadTimer_Timer() {
  EndReadTimer->SetEnabled(false);
  platform_.toolkit.DoEvents();
  texts_.ShowHeld();
  Timer2->SetEnabled(true);
  window_->Get("btnConnect").SetEnabled(false);
  window_->Get("Frame1").SetEnabled(true);
  window_->Get("Frame2").SetEnabled(true);
}

void PCSCfrm::Timer2_Timer() {
  Timer2->SetEnabled(false);
  platform_.toolkit.DoEvents();
  Command1_Click();
}

void PCSCfrm::Timer4_Timer() {
  window_->Get("PCSCLabel2").SetText("");
  Timer4->SetEnabled(false);
}

void PCSCfrm::btnGetData_Click() {
  ValidResponse = false;
  ClearBuffers();
  const bool iso14443Uid = window_->Get("check1").Value() == 1;
  const auto command = GetDataCommand(iso14443Uid);
  std::copy(command.begin(), command.end(), SendBuffer.begin());
  SendLength = static_cast<std::uint32_t>(command.size());
  RecvLength = 255;
  LastResult = SendAPDU(2);
  if (LastResult != kScardSuccess || !ValidResponse) return;

  const std::string cardId = CardIdText(RecvBuffer.data(), RecvLength, iso14443Uid);
  if (ScreenMode == kRawIdMode) {
    TypeCardId(cardId);
  } else {
    LookUpAndType(cardId);
  }
  // The line goes to the output pane once the value is typed or refused: laying out the pane's
  // text takes longer than sending the keys.
  texts_.Show({"rbOutput", cardId + "\n", true});
}

// Raw-ID mode types every read. An identifier that has no keys (the "UID:" prefix) or is empty
// is shown but not typed: a lone Enter would reach the host as input.
void PCSCfrm::TypeCardId(const std::string& cardId) {
  if (cardId.empty()) return;
  try {
    typist_.TypeText(cardId);
  } catch (const TypingError& error) {
    // Nothing was typed; the identifier still goes to the output pane.
    texts_.Show({"PCSCLabel5", NotTypedCaption(error)});
  }
}

// A card that answered without an identifier stands for nobody: its empty text would match the
// first record whose card identifier is shorter than 15 characters.
void PCSCfrm::LookUpAndType(const std::string& cardId) {
  const std::optional<std::string> value =
      cardId.empty() ? std::nullopt
                     : PasswordSearch(roster_, cardId, EmptyCardIds::kNeverMatch, lookup);
  texts_.Show({"PCSCLabel2", cardId});
  Timer4->SetEnabled(true);

  if (ClassifyFoundValue(value) != FoundValue::kTypeable) {
    PlaySoundIfPresent(platform_, kWarningSoundName);
    texts_.Show({"PCSCLabel5", "---"});
    return;
  }
  const double now = platform_.clock.SecondsSinceMidnight();
  if (!RepeatAccepted(cardId, LastCardId, ElapsedSince(now, LastReadTime),
                      lookup.SecondEntryFlag)) {
    return;
  }
  // Recorded before the typing yields; a value that is not typed does not count, so the same card
  // is typed at its next placement.
  const std::string lastCardId = std::exchange(LastCardId, cardId);
  const double lastReadTime = std::exchange(LastReadTime, now);
  try {
    typist_.CheckFocus();
    PlaySoundIfPresent(platform_, kConfirmationSoundName);
    texts_.Show({"PCSCLabel5", *value + " " + lookup.FoundText});
    TypeDigitsFlagged(typist_, *value, state_.PcscTyping, state_.FelicaTyping);
  } catch (const TypingError& error) {
    texts_.Show({"PCSCLabel5", NotTypedCaption(error)});
    LastCardId = lastCardId;
    LastReadTime = lastReadTime;
  }
}

}  // namespace cardwedge
