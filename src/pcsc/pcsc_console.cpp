#include <algorithm>

#include "pcsc/apdu_console.h"
#include "pcsc/pcsc_frm.h"
#include "pcsc/pcsc_mod.h"

namespace cardwedge {
void PCSCfrm::ClearBuffers() {
  SendBuffer.fill(0);
  RecvBuffer.fill(0);
}

// Mode 1 transmits as it is; mode 2 also sets ValidResponse when the response ends with status
// words other than 6A 81. A response too short to hold status words is no valid response.
ScardResult PCSCfrm::SendAPDU(int mode) {
  IoRequest.protocol = ActiveProtocol;
  std::uint32_t length = std::min<std::uint32_t>(RecvLength, RecvBuffer.size());
  LastResult = platform_.smartCard.Transmit(CardHandle, IoRequest, SendBuffer.data(), SendLength,
                                            IoRequest, RecvBuffer.data(), length);
  RecvLength = std::min<std::uint32_t>(length, RecvBuffer.size());
  if (LastResult != kScardSuccess) return LastResult;
  if (mode == 2 && IsValidResponse(RecvBuffer.data(), RecvLength)) ValidResponse = true;
  return LastResult;
}

void PCSCfrm::btnSendCommand_Click() {
  const ConsoleFields fields{window_->Get("tbCLA").Text(), window_->Get("tbINS").Text(),
                             window_->Get("tbP1").Text(),  window_->Get("tbP2").Text(),
                             window_->Get("tbLc").Text(),  window_->Get("tbLe").Text(),
                             window_->Get("tbData").Text()};
  const auto assembled = AssembleConsoleCommand(fields);
  if (const auto* refusal = std::get_if<ConsoleRefusal>(&assembled)) {
    Control& field = window_->Get(refusal->field);
    if (refusal->fillWithZeros) field.SetText("00");
    field.SetFocus();
    return;
  }
  const ConsoleCommand& command = std::get<ConsoleCommand>(assembled);
  ClearBuffers();
  std::copy(command.begin(), command.end(), SendBuffer.begin());
  SendLength = static_cast<std::uint32_t>(command.size());
  RecvLength = 255;
  LastResult = SendAPDU(1);
}

void PCSCfrm::btnClear_Click() { window_->Get("rbOutput").SetText(""); }

}  // namespace cardwedge
