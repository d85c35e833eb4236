#include "felica/module_felica.h"

#include <stdexcept>

#include "common/hex_text.h"
#include "diagnostics/diagnostics.h"

namespace cardwedge {

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
