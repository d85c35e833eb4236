#pragma once

#include "platform/scard/reader_watcher.h"
#include "platform/smart_card.h"

namespace cardwedge {

// The smart-card service over the platform's PC/SC API: winscard on Windows, pcsc-lite (pcscd)
// on Linux. Reader names pass through as ANSI bytes. The environment variable
// CARDWEDGE_READER_WATCH=off turns the reader watch off, leaving the window to its poll alone.
class ScardSmartCard : public SmartCard {
 public:
  ScardSmartCard();

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
  void StopWatching() override { watcher_.Stop(); }

 private:
  bool watchEnabled_;
  ReaderWatcher watcher_;
};

}  // namespace cardwedge
