#pragma once

#include "platform/smart_card.h"

namespace cardwedge {

// The smart-card service over pcsc-lite (pcscd). Reader names pass through as bytes.
class PcscLiteSmartCard : public SmartCard {
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
};

}  // namespace cardwedge
