#include "pcsc/pcsc_state_report.h"

#include "diagnostics/diagnostics.h"
#include "platform/scard_result.h"

namespace cardwedge {

void PcscStateReport::ContextEstablished(ScardResult result) {
  const bool lost = ClassifyScardResult(result) == ScardOutcome::kServiceLost;
  if (lost && !serviceLost_) {
    Diagnose("smart-card service lost: " + DescribeScardResult(result) +
             "; trying again every second");
  } else if (result == kScardSuccess && serviceLost_) {
    Diagnose("smart-card service back");
  }
  if (lost || result == kScardSuccess) serviceLost_ = lost;
}

void PcscStateReport::ReaderChosen(const std::string& reader) {
  if (reader_ == reader) return;
  if (!reader.empty()) {
    Diagnose("PC/SC reader chosen: " + reader);
  } else if (reader_) {
    Diagnose("PC/SC reader lost: " + *reader_ + "; listing the readers again every second");
  } else {
    Diagnose("no PC/SC reader attached; listing the readers again every second");
  }
  reader_ = reader;
}

}  // namespace cardwedge
