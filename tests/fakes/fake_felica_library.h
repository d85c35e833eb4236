#pragma once

#include <array>
#include <cstdint>
#include <optional>

#include "platform/felica_library.h"

namespace cardwedge {

class FakeFelicaLibrary : public FelicaLibrary {
 public:
  bool initialize_library() override { return initializeSucceeds; }
  bool open_reader_writer_auto() override {
    ++openCalls;
    readerOpen = libraryLoaded && openSucceeds;
    return readerOpen;
  }
  void close_reader_writer() override {
    ++closeCalls;
    readerOpen = false;
  }
  bool polling_and_get_card_information(const FelicaPolling& polling, std::uint8_t& numberOfCards,
                                        FelicaCardInfo& cardInfo) override;
  FelicaReaderState ReaderState() const override;

  bool initializeSucceeds = true;
  bool openSucceeds = true;
  bool libraryLoaded = true;
  // Set by the last open; a test clears it to lose the reader.
  bool readerOpen = false;
  int openCalls = 0;
  int closeCalls = 0;
  int polls = 0;
  // The card on the reader, if any.
  std::optional<std::array<std::uint8_t, 8>> idm;
  // System code and time slot of the last poll.
  std::array<std::uint8_t, 2> lastSystemCode{};
  std::uint8_t lastTimeSlot = 0xEE;
};

}  // namespace cardwedge
