#include "pcsc/pcsc_mod.h"

#include "platform/scard_result.h"

namespace cardwedge {
namespace {

// The status words of a card that does not support the command.
constexpr std::uint8_t kFunctionNotSupported[] = {0x6A, 0x81};

}  // namespace

bool IsValidResponse(const std::uint8_t* response, std::size_t length) {
  return length >= 2 && !(response[length - 2] == kFunctionNotSupported[0] &&
                          response[length - 1] == kFunctionNotSupported[1]);
}

std::vector<std::string> ReaderNames(std::string_view multiString) {
  std::vector<std::string> names;
  std::size_t position = 0;
  while (position < multiString.size() && multiString[position] != '\0') {
    const std::size_t end = multiString.find('\0', position);
    const std::size_t nameEnd = end == std::string_view::npos ? multiString.size() : end;
    names.emplace_back(multiString.substr(position, nameEnd - position));
    position = nameEnd + 1;
  }
  return names;
}

void FillReaderList(Control& comboBox, std::string_view multiString) {
  comboBox.ClearItems();
  for (const std::string& name : ReaderNames(multiString)) comboBox.AddItem(name);
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
