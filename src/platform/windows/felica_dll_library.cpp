#include "platform/windows/felica_dll_library.h"

#include <windows.h>

#include <utility>

#include "diagnostics/diagnostics.h"
#include "platform/windows/balanced_call.h"
#include "platform/windows/library_loading.h"
#include "platform/windows/wide_text.h"

namespace cardwedge {

// The records as the library reads them: addresses are pointer-sized (32-bit in the 32-bit build).
struct FelicaDllLibrary::DllPolling {
  std::uint8_t* systemCode;  // 2 bytes
  std::uint8_t timeSlot;
};

struct FelicaDllLibrary::DllCardInfo {
  std::uint8_t* idm;  // 8 bytes
  std::uint8_t* pmm;  // 8 bytes
};

namespace {

constexpr const wchar_t* kLibraryName = kFelicaLibraryFileName;
constexpr auto kReopenInterval = std::chrono::seconds(1);
// Polls in a row that left the count alone, once the library is known to write it, after which
// the reader counts as lost: one second of polls.
constexpr int kLostAfterReaderErrors = 10;
// The card count as the caller leaves it before a poll. A library that writes the number of cards
// that answered (0 or 1 with time slot 0) when it could ask the reader leaves it alone on a poll
// that failed for the reader, not for want of a card.
constexpr std::uint8_t kCountNotWritten = 0xFF;

// What a load error means to the person setting the program up.
std::string LoadErrorMeaning(DWORD error) {
  switch (error) {
    case ERROR_BAD_EXE_FORMAT:
      return sizeof(void*) == 8 ? "it is not a 64-bit DLL: a 32-bit FeliCa library needs the x86 "
                                  "package of cardwedge"
                                : "it is not a 32-bit Windows DLL";
    case ERROR_MOD_NOT_FOUND:
      return "the DLL, or one it needs such as the reader maker's runtime, is missing";
    default:
      return "the system refused it";
  }
}

// An entry under its plain name, as a library made for a Basic host exports it; else, on 32-bit
// Windows, under the stdcall decoration "_name@N" (N: the bytes of its arguments) that a library
// built without a list of export names has.
template <typename Entry>
Entry FindEntry(HMODULE library, const std::string& name, std::size_t arguments) {
  FARPROC entry = GetProcAddress(library, name.c_str());
  if (entry == nullptr && sizeof(void*) == 4) {
    const std::string decorated = "_" + name + "@" + std::to_string(arguments * sizeof(void*));
    entry = GetProcAddress(library, decorated.c_str());
  }
  // GetProcAddress gives every entry as a generic function pointer; the library declares its type.
  return reinterpret_cast<Entry>(reinterpret_cast<void*>(entry));
}

}  // namespace

FelicaDllLibrary::FelicaDllLibrary(std::string folder) : folder_(std::move(folder)) {}

bool FelicaDllLibrary::Load() {
  if (polling_ != nullptr) return true;
  HMODULE library = LoadLibraryBesideOrFromSystem(Widen(folder_), kLibraryName);
  if (library == nullptr) {
    const DWORD error = GetLastError();
    loadErrorCode_ = error;
    loadError_ = "cannot load " + Narrow(kLibraryName) + " (error " + std::to_string(error) + ": " +
                 LoadErrorMeaning(error) + ")";
  } else {
    const auto initialize = FindEntry<SimpleEntry>(library, "initialize_library", 0);
    const auto openAuto = FindEntry<SimpleEntry>(library, "open_reader_writer_auto", 0);
    const auto polling = FindEntry<PollingEntry>(library, "polling_and_get_card_information", 3);
    if (initialize == nullptr || openAuto == nullptr || polling == nullptr) {
      loadError_ = Narrow(kLibraryName) + " lacks one of the entries initialize_library, " +
                   "open_reader_writer_auto, polling_and_get_card_information";
    } else {
      initialize_ = initialize;
      openAuto_ = openAuto;
      polling_ = polling;
      close_ = FindEntry<UndocumentedEntry>(library, "close_reader_writer", 0);
      loadError_.clear();
      return true;
    }
  }
  Diagnose("FeliCa library not loaded: " + loadError_);
  return false;
}

bool FelicaDllLibrary::initialize_library() { return Load() && initialize_() != 0; }

bool FelicaDllLibrary::open_reader_writer_auto() {
  if (openAuto_ == nullptr) return false;
  readerWanted_ = true;
  readerErrorRun_ = 0;
  devicesChanged_ = false;
  readerOpen_ = OpenReader();
  readerEverOpened_ = readerEverOpened_ || readerOpen_;
  return readerOpen_;
}

void FelicaDllLibrary::close_reader_writer() {
  readerWanted_ = false;
  readerOpen_ = false;
  readerErrorRun_ = 0;
  CloseReader();
}

void FelicaDllLibrary::DevicesChanged() { devicesChanged_ = true; }

// close_reader_writer is not documented: called so that it works whatever arguments it takes.
void FelicaDllLibrary::CloseReader() {
  if (close_ == nullptr || !libraryHoldsReader_) return;
  CallRestoringStack(close_);
  libraryHoldsReader_ = false;
}

bool FelicaDllLibrary::OpenReader() {
  CloseReader();
  lastOpenAttempt_ = std::chrono::steady_clock::now();
  const bool opened = openAuto_() != 0;
  libraryHoldsReader_ = libraryHoldsReader_ || opened;
  return opened;
}

// A device that came or went may be the reader: opened again at once, even where the library
// still takes it for open, since a library that says nothing of a lost reader keeps a dead one.
void FelicaDllLibrary::ReopenIfDue() {
  if (!readerWanted_) return;
  if (std::exchange(devicesChanged_, false)) {
    const bool wasOpen = readerOpen_;
    if (OpenReader()) {
      NoteReaderWorks();
    } else if (wasOpen) {
      readerOpen_ = false;
      Diagnose(
          "FeliCa reader lost: it did not open again after a device came or went; trying "
          "again every second");
    }
    return;
  }
  if (readerOpen_) return;
  if (std::chrono::steady_clock::now() - lastOpenAttempt_ < kReopenInterval) return;
  if (OpenReader()) NoteReaderWorks();
}

void FelicaDllLibrary::NoteReaderWorks() {
  readerErrorRun_ = 0;
  if (readerOpen_) return;
  readerOpen_ = true;
  Diagnose(readerEverOpened_ ? "FeliCa reader found again" : "FeliCa reader opened");
  readerEverOpened_ = true;
}

void FelicaDllLibrary::NotePoll(bool found, bool countWritten) {
  if (found) {
    NoteReaderWorks();
    return;
  }
  // The library asked the reader it holds, which answered: it works, whatever the last open said.
  if (countWritten) {
    countTrusted_ = true;
    readerErrorRun_ = 0;
    if (libraryHoldsReader_) NoteReaderWorks();
    return;
  }
  // A library not seen to write the count on an empty field tells no reader error by leaving it.
  if (!countTrusted_ || !readerOpen_) return;
  if (++readerErrorRun_ < kLostAfterReaderErrors) return;
  readerOpen_ = false;
  readerErrorRun_ = 0;
  Diagnose("FeliCa reader lost: " + std::to_string(kLostAfterReaderErrors) +
           " polls in a row failed with a reader error; trying again every second");
}

bool FelicaDllLibrary::polling_and_get_card_information(const FelicaPolling& polling,
                                                        std::uint8_t& numberOfCards,
                                                        FelicaCardInfo& cardInfo) {
  numberOfCards = 0;
  if (polling_ == nullptr || polling.systemCode == nullptr || cardInfo.idm == nullptr ||
      cardInfo.pmm == nullptr) {
    return false;
  }
  ReopenIfDue();
  DllPolling dllPolling{polling.systemCode->data(), polling.timeSlot};
  DllCardInfo dllCardInfo{cardInfo.idm->data(), cardInfo.pmm->data()};
  std::uint8_t answered = kCountNotWritten;
  const bool found = polling_(&dllPolling, &answered, &dllCardInfo) != 0;
  const bool countWritten = answered != kCountNotWritten;
  if (countWritten) numberOfCards = answered;
  NotePoll(found, countWritten);
  return found;
}

FelicaReaderState FelicaDllLibrary::ReaderState() const {
  if (polling_ == nullptr) return FelicaReaderState::kLibraryNotLoaded;
  return readerOpen_ ? FelicaReaderState::kReaderOpen : FelicaReaderState::kReaderNotOpen;
}

}  // namespace cardwedge
