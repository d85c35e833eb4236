#pragma once

#include <nfc/nfc.h>

#include <chrono>

#include "platform/felica_library.h"

namespace cardwedge {

// The FeliCa library on libnfc. The reader is the device named by LIBNFC_DEVICE, or else
// libnfc's default device. A reader lost to an I/O error is closed and reopened by later polls,
// at most once a second; until then polls find no card.
class LibnfcFelicaLibrary : public FelicaLibrary {
 public:
  LibnfcFelicaLibrary() = default;
  ~LibnfcFelicaLibrary() override;
  LibnfcFelicaLibrary(const LibnfcFelicaLibrary&) = delete;
  LibnfcFelicaLibrary& operator=(const LibnfcFelicaLibrary&) = delete;

  bool initialize_library() override;
  bool open_reader_writer_auto() override;
  void close_reader_writer() override;
  bool polling_and_get_card_information(const FelicaPolling& polling, std::uint8_t& numberOfCards,
                                        FelicaCardInfo& cardInfo) override;
  FelicaReaderState ReaderState() const override;

 private:
  bool OpenDevice();
  void CloseDevice();
  // Closes a reader that stopped answering, with one diagnostics line.
  void LoseDevice(int error);
  // Reopens a reader that was asked for and is not open, when the last try is a second old.
  void ReopenIfDue();

  nfc_context* context_ = nullptr;
  nfc_device* device_ = nullptr;
  bool readerWanted_ = false;
  std::chrono::steady_clock::time_point lastOpenAttempt_;
};

}  // namespace cardwedge
