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

enum class FelicaReaderState {
  kLibraryNotLoaded,  // the library or one of its entries is missing
  kReaderNotOpen,     // the library is there; the reader is not open (not found, or lost)
  kReaderOpen,
};

// The FeliCa reader library: the three entries the FeliCa window calls. Each returns true on
// success.
class FelicaLibrary {
 public:
  virtual ~FelicaLibrary() = default;
  virtual bool initialize_library() = 0;
  virtual bool open_reader_writer_auto() = 0;
  // Lets the reader go, so that another program can open it; polls find no card until the next
  // open_reader_writer_auto, and the reader is not opened again meanwhile.
  virtual void close_reader_writer() = 0;
  // True when a card answered; its IDm and PMm are then in the buffers cardInfo points to.
  virtual bool polling_and_get_card_information(const FelicaPolling& polling,
                                                std::uint8_t& numberOfCards,
                                                FelicaCardInfo& cardInfo) = 0;
  // Where the library and the reader stand after the last call; asks nothing of the reader.
  virtual FelicaReaderState ReaderState() const = 0;
};

}  // namespace cardwedge
