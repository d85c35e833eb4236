#include "platform/scard/scard_smart_card.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <string_view>

#include "platform/scard/scard_api.h"

namespace cardwedge {
namespace {

// The results are LONG, 32 or 64 bits wide; the codes themselves are 32 bits.
ScardResult Result(LONG result) { return static_cast<ScardResult>(result); }

SCARDCONTEXT AsContext(ScardHandle handle) { return static_cast<SCARDCONTEXT>(handle); }
SCARDHANDLE AsCard(ScardHandle handle) { return static_cast<SCARDHANDLE>(handle); }

bool ReaderWatchTurnedOff() {
  const char* setting = std::getenv("CARDWEDGE_READER_WATCH");
  return setting != nullptr && std::string_view(setting) == "off";
}

}  // namespace

ScardSmartCard::ScardSmartCard() : watchEnabled_(!ReaderWatchTurnedOff()) {}

ScardResult ScardSmartCard::EstablishContext(std::uint32_t scope, ScardHandle& context) {
  SCARDCONTEXT established = 0;
  const LONG result = SCardEstablishContext(scope, nullptr, nullptr, &established);
  context = static_cast<ScardHandle>(established);
  return Result(result);
}

ScardResult ScardSmartCard::ListReaders(ScardHandle context, char* buffer, std::uint32_t& length) {
  DWORD capacity = length;
  const LONG result = scard_api::ListReaders(AsContext(context), buffer, &capacity);
  length = static_cast<std::uint32_t>(capacity);
  return Result(result);
}

ScardResult ScardSmartCard::Connect(ScardHandle context, const std::string& reader,
                                    std::uint32_t shareMode, std::uint32_t preferredProtocols,
                                    ScardHandle& card, std::uint32_t& activeProtocol) {
  SCARDHANDLE connected = 0;
  DWORD protocol = 0;
  const LONG result = scard_api::Connect(AsContext(context), reader.c_str(), shareMode,
                                         preferredProtocols, &connected, &protocol);
  card = static_cast<ScardHandle>(connected);
  activeProtocol = static_cast<std::uint32_t>(protocol);
  return Result(result);
}

ScardResult ScardSmartCard::Disconnect(ScardHandle card, std::uint32_t disposition) {
  return Result(SCardDisconnect(AsCard(card), disposition));
}

ScardResult ScardSmartCard::ReleaseContext(ScardHandle context) {
  return Result(SCardReleaseContext(AsContext(context)));
}

ScardResult ScardSmartCard::GetStatusChange(ScardHandle context, std::uint32_t timeoutMs,
                                            ScardReaderState& state) {
  scard_api::ReaderState record{};
  record.szReader = state.reader.c_str();
  record.dwCurrentState = state.currentState;
  record.dwEventState = state.eventState;
  const LONG result = scard_api::GetStatusChange(AsContext(context), timeoutMs, &record, 1);
  state.eventState = static_cast<std::uint32_t>(record.dwEventState);
  const std::size_t atrLength =
      std::min<std::size_t>({record.cbAtr, sizeof record.rgbAtr, state.atr.size()});
  state.atrLength = static_cast<std::uint32_t>(atrLength);
  std::memcpy(state.atr.data(), record.rgbAtr, atrLength);
  return Result(result);
}

// The protocol control record is the platform's own, sized by sizeof (16 bytes on 64-bit Linux,
// 8 on Windows).
ScardResult ScardSmartCard::Transmit(ScardHandle card, const ScardIoRequest& sendPci,
                                     const std::uint8_t* send, std::uint32_t sendLength,
                                     ScardIoRequest& recvPci, std::uint8_t* recv,
                                     std::uint32_t& recvLength) {
  const SCARD_IO_REQUEST sendRecord{sendPci.protocol, sizeof(SCARD_IO_REQUEST)};
  SCARD_IO_REQUEST recvRecord{recvPci.protocol, sizeof(SCARD_IO_REQUEST)};
  DWORD length = recvLength;
  const LONG result =
      SCardTransmit(AsCard(card), &sendRecord, send, sendLength, &recvRecord, recv, &length);
  recvLength = static_cast<std::uint32_t>(length);
  recvPci.protocol = static_cast<std::uint32_t>(recvRecord.dwProtocol);
  return Result(result);
}

void ScardSmartCard::WatchReader(const std::string& reader,
                                 std::function<void(ReaderChange)> onChange) {
  if (watchEnabled_) watcher_.Watch(reader, std::move(onChange));
}

}  // namespace cardwedge
