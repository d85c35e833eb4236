#include "platform/windows/felica_dll_library.h"

#include <windows.h>

#include "platform/diagnostics.h"
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

constexpr wchar_t kLibraryName[] = L"felica_for_vb.dll";
constexpr auto kReopenInterval = std::chrono::seconds(1);
// Polls with a reader error in a row after which the reader counts as lost: one second of polls.
constexpr int kLostAfterReaderErrors = 10;
// The card count as the caller leaves it before a poll. The library writes the number of cards
// that answered (0 or 1 with time slot 0) when it could ask the reader; a poll that fails without
// writing it failed for the reader, not for want of a card.
constexpr std::uint8_t kCountNotWritten = 0xFF;

template <typename Entry>
Entry FindEntry(HMODULE library, const char* name) {
  // GetProcAddress gives every entry as a generic function pointer; the library declares its type.
  return reinterpret_cast<Entry>(reinterpret_cast<void*>(GetProcAddress(library, name)));
}

}  // namespace

FelicaDllLibrary::FelicaDllLibrary(std::string folder) : folder_(std::move(folder)) {}

bool FelicaDllLibrary::Load() {
  if (polling_ != nullptr) return true;
  const std::wstring beside = Widen(folder_) + L"\\" + kLibraryName;
  HMODULE library = LoadLibraryExW(beside.c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
  if (library == nullptr) library = LoadLibraryW(kLibraryName);
  if (library == nullptr) {
    loadError_ =
        "cannot load " + Narrow(kLibraryName) + " (error " + std::to_string(GetLastError()) + ")";
  } else {
    const auto initialize = FindEntry<SimpleEntry>(library, "initialize_library");
    const auto openAuto = FindEntry<SimpleEntry>(library, "open_reader_writer_auto");
    const auto polling = FindEntry<PollingEntry>(library, "polling_and_get_card_information");
    if (initialize == nullptr || openAuto == nullptr || polling == nullptr) {
      loadError_ = Narrow(kLibraryName) + " lacks one of the entries initialize_library, " +
                   "open_reader_writer_auto, polling_and_get_card_information";
    } else {
      initialize_ = initialize;
      openAuto_ = openAuto;
      polling_ = polling;
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
  lastOpenAttempt_ = std::chrono::steady_clock::now();
  readerOpen_ = openAuto_() != 0;
  readerEverOpened_ = readerEverOpened_ || readerOpen_;
  return readerOpen_;
}

void FelicaDllLibrary::ReopenIfDue() {
  if (readerOpen_ || !readerWanted_) return;
  const auto now = std::chrono::steady_clock::now();
  if (now - lastOpenAttempt_ < kReopenInterval) return;
  lastOpenAttempt_ = now;
  if (openAuto_() == 0) return;
  readerOpen_ = true;
  Diagnose(readerEverOpened_ ? "FeliCa reader found again" : "FeliCa reader opened");
  readerEverOpened_ = true;
}

void FelicaDllLibrary::NotePoll(bool readerError) {
  readerErrorRun_ = readerError ? readerErrorRun_ + 1 : 0;
  if (readerErrorRun_ < kLostAfterReaderErrors) return;
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
  if (!readerOpen_) return false;
  DllPolling dllPolling{polling.systemCode->data(), polling.timeSlot};
  DllCardInfo dllCardInfo{cardInfo.idm->data(), cardInfo.pmm->data()};
  std::uint8_t answered = kCountNotWritten;
  const bool found = polling_(&dllPolling, &answered, &dllCardInfo) != 0;
  const bool countWritten = answered != kCountNotWritten;
  if (countWritten) numberOfCards = answered;
  NotePoll(!found && !countWritten);
  return found;
}

}  // namespace cardwedge
