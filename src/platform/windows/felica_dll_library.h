#pragma once

#include <chrono>
#include <string>

#include "platform/felica_library.h"
#include "platform/windows/balanced_call.h"

namespace cardwedge {

inline constexpr wchar_t kFelicaLibraryFileName[] = L"felica_for_vb.dll";

// The FeliCa library "felica_for_vb.dll", loaded at run time by the first initialize_library:
// from the given folder (the program's), else from the system folder; the DLLs it imports (the
// reader maker's runtime) are found as for a program, PATH included. Its entries are looked up by
// name and called with the stdcall convention; the records passed to polling hold the addresses of
// the caller's buffers. A missing library or entry makes initialize_library fail (the reason goes
// to the diagnostics) and every other call fail, until an initialize_library finds them. The
// library is never unloaded.
// Every poll goes to the library. A reader that is not open (not plugged in at the start, or
// lost) is, in addition, opened again at most once a second, closed first when the library has
// close_reader_writer; so is any wanted reader at the poll after a device came or went. Whether
// the library writes the card count on a poll that finds no card is not known beforehand: only
// once it has been seen to do so does a run of polls that leave the count alone count as a lost
// reader. A poll that finds a card, or writes the count of a reader the library holds, means the
// reader works. One diagnostics line tells each change.
class FelicaDllLibrary : public FelicaLibrary {
 public:
  explicit FelicaDllLibrary(std::string folder);

  bool initialize_library() override;
  bool open_reader_writer_auto() override;
  void close_reader_writer() override;
  bool polling_and_get_card_information(const FelicaPolling& polling, std::uint8_t& numberOfCards,
                                        FelicaCardInfo& cardInfo) override;
  FelicaReaderState ReaderState() const override;

  // A device came or went, which may be the reader: the next poll opens the wanted reader again,
  // closed first, whether it was taken for open or not. Called from the message loop; asks
  // nothing of the library itself.
  void DevicesChanged();

  // Empty once the library and its entries are loaded; otherwise why they are not.
  const std::string& loadError() const { return loadError_; }
  // The system's error code of the last failed load of the library file; 0 when none failed.
  unsigned long loadErrorCode() const { return loadErrorCode_; }

 private:
  struct DllPolling;
  struct DllCardInfo;
  using SimpleEntry = std::uint8_t(__stdcall*)();
  using PollingEntry = std::uint8_t(__stdcall*)(DllPolling*, std::uint8_t*, DllCardInfo*);

  bool Load();
  // Opens the wanted reader again after a device came or went, or when it is not open and the
  // last try is a second old.
  void ReopenIfDue();
  // close_reader_writer where the library has it and holds a reader.
  void CloseReader();
  // open_reader_writer_auto, after CloseReader.
  bool OpenReader();
  // The reader answered: open again, with a line when it was not.
  void NoteReaderWorks();
  // What a poll tells of the reader: a card found, or the count written or left alone.
  void NotePoll(bool found, bool countWritten);

  std::string folder_;
  std::string loadError_ = "not loaded yet";
  unsigned long loadErrorCode_ = 0;
  SimpleEntry initialize_ = nullptr;
  SimpleEntry openAuto_ = nullptr;
  PollingEntry polling_ = nullptr;
  UndocumentedEntry close_ = nullptr;  // optional
  bool readerWanted_ = false;
  bool readerOpen_ = false;
  bool readerEverOpened_ = false;
  // An open that succeeded and was not closed since: the library may refuse another until closed.
  bool libraryHoldsReader_ = false;
  // The library wrote the count on a poll that found no card, so a count left alone is an error.
  bool countTrusted_ = false;
  int readerErrorRun_ = 0;
  bool devicesChanged_ = false;
  std::chrono::steady_clock::time_point lastOpenAttempt_;
};

}  // namespace cardwedge
