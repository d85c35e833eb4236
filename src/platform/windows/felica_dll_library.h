#pragma once

#include <chrono>
#include <string>

#include "platform/felica_library.h"

namespace cardwedge {

// The FeliCa library "felica_for_vb.dll", loaded at run time by the first initialize_library:
// from the given folder (the program's), else from the system's search path. Its three entries
// are looked up by name and called with the stdcall convention; the records passed to polling
// hold the addresses of the caller's buffers. A missing library or entry makes
// initialize_library fail (the reason goes to the diagnostics) and every other call fail, until an
// initialize_library finds them. The library is never unloaded.
// A reader that is not open (not plugged in at the start, or lost: a run of polls that the library
// answers with a reader error) is opened again by later polls, at most once a second; until then
// polls find no card. One diagnostics line tells each change.
class FelicaDllLibrary : public FelicaLibrary {
 public:
  explicit FelicaDllLibrary(std::string folder);

  bool initialize_library() override;
  bool open_reader_writer_auto() override;
  bool polling_and_get_card_information(const FelicaPolling& polling, std::uint8_t& numberOfCards,
                                        FelicaCardInfo& cardInfo) override;
  FelicaReaderState ReaderState() const override;

  // Empty once the library and its entries are loaded; otherwise why they are not.
  const std::string& loadError() const { return loadError_; }

 private:
  struct DllPolling;
  struct DllCardInfo;
  using SimpleEntry = std::uint8_t(__stdcall*)();
  using PollingEntry = std::uint8_t(__stdcall*)(DllPolling*, std::uint8_t*, DllCardInfo*);

  bool Load();
  // Opens the reader again when it is wanted, not open, and the last try is a second old.
  void ReopenIfDue();
  // Counts the polls that failed with a reader error in a row; a run of them loses the reader.
  void NotePoll(bool readerError);

  std::string folder_;
  std::string loadError_ = "not loaded yet";
  SimpleEntry initialize_ = nullptr;
  SimpleEntry openAuto_ = nullptr;
  PollingEntry polling_ = nullptr;
  bool readerWanted_ = false;
  bool readerOpen_ = false;
  bool readerEverOpened_ = false;
  int readerErrorRun_ = 0;
  std::chrono::steady_clock::time_point lastOpenAttempt_;
};

}  // namespace cardwedge
