#include "pcsc/pcsc_mod.h"

#include "platform/scard_result.h"

namespace cardwedge {

void FillReaderList(Control& comboBox, std::string_view multiString) {
  comboBox.ClearItems();
  std::size_t position = 0;
  while (position < multiString.size() && multiString[position] != '\0') {
    const std::size_t end = multiString.find('\0', position);
    const std::size_t nameEnd = end == std::string_view::npos ? multiString.size() : end;
    comboBox.AddItem(std::string(multiString.substr(position, nameEnd - position)));
    position = nameEnd + 1;
  }
}

int ChooseReader(const std::vector<std::string>& readerNames) {
  for (std::size_t i = 0; i < readerNames.size(); ++i) {
    if (readerNames[i].find(kPreferredReaderMark) != std::string::npos) return static_cast<int>(i);
  }
  return static_cast<int>(readerNames.size()) - 1;
}

int ReaderBusyFromEventState(std::uint32_t eventState) {
  return (eventState & (kScardStateInUse | kScardStateMute)) != 0 ? 1 : 0;
}

bool ServiceOrReaderLost(ScardResult result) {
  const ScardOutcome outcome = ClassifyScardResult(result);
  return outcome == ScardOutcome::kServiceLost || outcome == ScardOutcome::kReaderLost;
}

}  // namespace cardwedge
