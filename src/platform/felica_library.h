#pragma once

#include <array>
#include <cstdint>

namespace cardwedge {

struct FelicaPolling {
  std::array<std::uint8_t, 2>* systemCode = nullptr;
  std::uint8_t timeSlot = 0;
};

struct FelicaCardInfo {
  std::array<std::uint8_t, 8>* idm = nullptr;
  std::array<std::uint8_t, 8>* pmm = nullptr;
};

// The FeliCa reader library: the three entries the FeliCa window calls. Each returns true on
// success.
class FelicaLibrary {
 public:
  virtual ~FelicaLibrary() = default;
  virtual bool initialize_library() = 0;
  virtual bool open_reader_writer_auto() = 0;
  // True when a card answered; its IDm and PMm are then in the buffers cardInfo points to.
  virtual bool polling_and_get_card_information(const FelicaPolling& polling,
                                                std::uint8_t& numberOfCards,
                                                FelicaCardInfo& cardInfo) = 0;
};

}  // namespace cardwedge
