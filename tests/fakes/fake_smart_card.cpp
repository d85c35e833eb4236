#include "fake_smart_card.h"

#include <algorithm>
#include <cstring>

namespace cardwedge {

void FakeSmartCard::StopService() {
  serviceDown = true;
  deadContexts.insert(openContexts.begin(), openContexts.end());
  openContexts.clear();
  openCards.clear();
}

ScardResult FakeSmartCard::EstablishContext(std::uint32_t /*scope*/, ScardHandle& context) {
  ++establishCalls;
  if (serviceDown) return kScardENoService;
  context = nextHandle_++;
  openContexts.insert(context);
  return kScardSuccess;
}

ScardResult FakeSmartCard::ListReaders(ScardHandle context, char* buffer, std::uint32_t& length) {
  if (serviceDown || deadContexts.contains(context)) return kScardENoService;
  if (!openContexts.contains(context)) return kScardEInvalidHandle;
  if (readers.empty()) return kScardENoReadersAvailable;
  std::string multiString;
  for (const std::string& reader : readers) multiString += reader + '\0';
  multiString += '\0';
  const std::uint32_t capacity = length;
  length = static_cast<std::uint32_t>(multiString.size());
  if (buffer == nullptr) return kScardSuccess;
  if (multiString.size() > capacity) return 0x80100008;  // SCARD_E_INSUFFICIENT_BUFFER
  std::memcpy(buffer, multiString.data(), multiString.size());
  return kScardSuccess;
}

ScardResult FakeSmartCard::Connect(ScardHandle context, const std::string& reader,
                                   std::uint32_t /*shareMode*/, std::uint32_t /*protocols*/,
                                   ScardHandle& card, std::uint32_t& activeProtocol) {
  ++connectAttempts;
  if (connectResult) return *connectResult;
  if (serviceDown || deadContexts.contains(context)) return kScardENoService;
  if (!openContexts.contains(context)) return kScardEInvalidHandle;
  if (std::find(readers.begin(), readers.end(), reader) == readers.end()) {
    return kScardEUnknownReader;
  }
  if (!cards.contains(reader)) return kScardENoSmartcard;
  card = nextHandle_++;
  activeProtocol = kScardProtocolT1;
  openCards.insert(card);
  cardReader_[card] = reader;
  return kScardSuccess;
}

ScardResult FakeSmartCard::Disconnect(ScardHandle card, std::uint32_t disposition) {
  if (serviceDown) return kScardENoService;
  lastDisposition = disposition;
  return openCards.erase(card) == 1 ? kScardSuccess : kScardEInvalidHandle;
}

ScardResult FakeSmartCard::ReleaseContext(ScardHandle context) {
  if (deadContexts.erase(context) == 1 || serviceDown) return kScardENoService;
  return openContexts.erase(context) == 1 ? kScardSuccess : kScardEInvalidHandle;
}

ScardResult FakeSmartCard::GetStatusChange(ScardHandle context, std::uint32_t /*timeoutMs*/,
                                           ScardReaderState& state) {
  state.eventState = eventState;
  if (statusChangeResult) return *statusChangeResult;
  if (serviceDown || deadContexts.contains(context)) return kScardENoService;
  if (!openContexts.contains(context)) return kScardEInvalidHandle;
  return kScardSuccess;
}

ScardResult FakeSmartCard::Transmit(ScardHandle card, const ScardIoRequest& /*sendPci*/,
                                    const std::uint8_t* send, std::uint32_t sendLength,
                                    ScardIoRequest& /*recvPci*/, std::uint8_t* recv,
                                    std::uint32_t& recvLength) {
  commands.emplace_back(send, send + sendLength);
  if (serviceDown) return kScardENoService;
  if (!openCards.contains(card)) return kScardEInvalidHandle;
  std::vector<std::uint8_t> response;
  if (responseOverride) {
    response = *responseOverride;
  } else {
    const auto found = cards.find(cardReader_[card]);
    if (found == cards.end()) return kScardWRemovedCard;
    response = found->second;
    response.insert(response.end(), {0x90, 0x00});
  }
  if (response.size() > recvLength) return 0x80100008;
  std::copy(response.begin(), response.end(), recv);
  recvLength = static_cast<std::uint32_t>(response.size());
  return kScardSuccess;
}

void FakeSmartCard::WatchReader(const std::string& reader,
                                std::function<void(ReaderChange)> onChange) {
  if (!watchedReader) onReaderChange_ = std::move(onChange);
  watchedReader = reader;
}

void FakeSmartCard::StopWatching() {
  watchedReader.reset();
  onReaderChange_ = nullptr;
}

void FakeSmartCard::ReportChange(ReaderChange change) {
  if (onReaderChange_) onReaderChange_(change);
}

}  // namespace cardwedge
