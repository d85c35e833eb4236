#include "felica/module_felica.h"

#include <stdexcept>

#include "common/hex_text.h"
#include "diagnostics/diagnostics.h"

namespace cardwedge {

std::optional<std::array<std::uint8_t, 8>> PollFelicaCard(FelicaLibrary& library) {
  std::array<std::uint8_t, 2> systemCode{0xFF, 0xFF};
  std::array<std::uint8_t, 8> idm{};
  std::array<std::uint8_t, 8> pmm{};
  std::uint8_t numberOfCards = 0;
  const FelicaPolling polling{.systemCode = &systemCode, .timeSlot = 0};
  FelicaCardInfo cardInfo{.idm = &idm, .pmm = &pmm};
  if (!library.polling_and_get_card_information(polling, numberOfCards, cardInfo)) return {};
  return idm;
}

void ModuleFelica::OpenFelicaReader(FelicaLibrary& library) {
  const bool initialized = library.initialize_library();
  if (!initialized) ComposeMessage(kCantInitializeLibrary);
  const bool opened = library.open_reader_writer_auto();
  if (!opened) ComposeMessage(kCantOpenReaderWriter);
  Diagnose(initialized && opened ? std::string("FeliCa reader opened")
                                 : "FeliCa reader not opened: " + FelicaMessage);
}

void ModuleFelica::ComposeMessage(const std::string& text, const std::string& extra) {
  FelicaMessage = text + extra;
}

void ModuleFelica::BytesToHexString(const std::string& prefix, std::span<const std::uint8_t> bytes,
                                    int count) {
  if (count < 0 || static_cast<std::size_t>(count) > bytes.size()) {
    throw std::out_of_range("BytesToHexString: count " + std::to_string(count) + " for " +
                            std::to_string(bytes.size()) + " bytes");
  }
  const std::size_t converted = count == 0 ? bytes.size() : static_cast<std::size_t>(count);
  ComposeMessage(prefix + HexText(bytes.first(converted)));
}

}  // namespace cardwedge
