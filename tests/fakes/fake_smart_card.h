#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "platform/smart_card.h"

namespace cardwedge {

// An in-memory smart-card service: readers, a card per reader answering GET DATA with its UID,
// and a record of the calls made.
class FakeSmartCard : public SmartCard {
 public:
  ScardResult EstablishContext(std::uint32_t scope, ScardHandle& context) override;
  ScardResult ListReaders(ScardHandle context, char* buffer, std::uint32_t& length) override;
  ScardResult Connect(ScardHandle context, const std::string& reader, std::uint32_t shareMode,
                      std::uint32_t preferredProtocols, ScardHandle& card,
                      std::uint32_t& activeProtocol) override;
  ScardResult Disconnect(ScardHandle card, std::uint32_t disposition) override;
  ScardResult ReleaseContext(ScardHandle context) override;
  ScardResult GetStatusChange(ScardHandle context, std::uint32_t timeoutMs,
                              ScardReaderState& state) override;
  ScardResult Transmit(ScardHandle card, const ScardIoRequest& sendPci, const std::uint8_t* send,
                       std::uint32_t sendLength, ScardIoRequest& recvPci, std::uint8_t* recv,
                       std::uint32_t& recvLength) override;
  void WatchReader(const std::string& reader, std::function<void(ReaderChange)> onChange) override;
  void StopWatching() override;

  // The service stops: every call answers SCARD_E_NO_SERVICE, and the contexts established
  // before stay dead after it is back, until they are released (as pcscd's do).
  void StopService();
  void StartService() { serviceDown = false; }
  // What the watch thread of a real backend would do on a change: calls the window's onChange.
  void ReportChange(ReaderChange change);

  // The service is down: every call answers SCARD_E_NO_SERVICE.
  bool serviceDown = false;
  std::vector<std::string> readers{"Virtual PCD 00 00"};
  // Card UID per reader name; the response to GET DATA is the UID and 90 00.
  std::map<std::string, std::vector<std::uint8_t>> cards;
  // When set, the whole response to any command.
  std::optional<std::vector<std::uint8_t>> responseOverride;
  std::uint32_t eventState = 0;
  // When set, what every GetStatusChange or Connect answers.
  std::optional<ScardResult> statusChangeResult;
  std::optional<ScardResult> connectResult;

  std::set<ScardHandle> openContexts;
  std::set<ScardHandle> deadContexts;
  std::set<ScardHandle> openCards;
  // How the last card handed to Disconnect was left; nullopt before any.
  std::optional<std::uint32_t> lastDisposition;
  // Every command handed to Transmit, whether or not a card took it.
  std::vector<std::vector<std::uint8_t>> commands;
  int connectAttempts = 0;
  int establishCalls = 0;
  // The reader watched; nullopt while no watch runs.
  std::optional<std::string> watchedReader;

 private:
  ScardHandle nextHandle_ = 100;
  std::map<ScardHandle, std::string> cardReader_;
  std::function<void(ReaderChange)> onReaderChange_;
};

}  // namespace cardwedge
