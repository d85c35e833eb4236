#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string>

#include "platform/felica_library.h"

namespace cardwedge {

inline constexpr char kCantInitializeLibrary[] = "Can't initialize library.";
inline constexpr char kCantOpenReaderWriter[] = "Can't open reader writer.";

// The IDm of the card that answers the FeliCa window's poll (system code FF FF, time slot 0), or
// nothing when no card (or no reader) answers. The site check polls through it too.
std::optional<std::array<std::uint8_t, 8>> PollFelicaCard(FelicaLibrary& library);

// The FeliCa module: the connection to the FeliCa library and the texts the FeliCa window keeps
// for the whole run. Library failures are recorded in FelicaMessage and never shown.
class ModuleFelica {
 public:
  // Opens the library, then the reader whatever the library answered; failures only leave
  // their text in FelicaMessage.
  void OpenFelicaReader(FelicaLibrary& library);

  // FelicaMessage = text followed by extra (extra may be empty).
  void ComposeMessage(const std::string& text, const std::string& extra = {});

  // FelicaMessage = prefix followed by bytes 0 to count - 1 (all of them when count is 0), each
  // as two upper-case hexadecimal digits. Raises std::out_of_range when count exceeds the bytes.
  void BytesToHexString(const std::string& prefix, std::span<const std::uint8_t> bytes, int count);

  std::string FelicaMessage;
  std::string FelicaIDm;      // card ID text of the card answering the current poll
  std::string LastFelicaIDm;  // card ID text of the last card accepted in lookup mode
};

}  // namespace cardwedge
