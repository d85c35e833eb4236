#pragma once

#include <optional>
#include <string>

#include "platform/smart_card.h"

namespace cardwedge {

// One diagnostics line when the PC/SC window's view of the smart-card service or of its reader
// changes: a reader chosen, the reader lost, the service lost and back. The window lists its
// readers again after every card, so nothing is said while nothing changed.
class PcscStateReport {
 public:
  // The answer of the service to a new context.
  void ContextEstablished(ScardResult result);
  // The reader the window chose after listing; empty when none is attached.
  void ReaderChosen(const std::string& reader);

  bool serviceLost() const { return serviceLost_; }
  // Whether the last listing found no reader.
  bool noReader() const { return reader_ && reader_->empty(); }

 private:
  bool serviceLost_ = false;
  std::optional<std::string> reader_;
};

}  // namespace cardwedge
