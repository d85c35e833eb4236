#include "platform/linux/libnfc_felica_library.h"

#include <cstdlib>
#include <cstring>
#include <string>

#include "diagnostics/diagnostics.h"

namespace cardwedge {
namespace {

constexpr auto kReopenInterval = std::chrono::seconds(1);
constexpr std::uint8_t kPollingCommand = 0x00;
constexpr std::uint8_t kNoRequest = 0x00;

// Errors after which the reader no longer answers until it is opened again.
bool ReaderLost(int error) {
  return error == NFC_EIO || error == NFC_ETIMEOUT || error == NFC_ENOTSUCHDEV;
}

}  // namespace

LibnfcFelicaLibrary::~LibnfcFelicaLibrary() {
  CloseDevice();
  if (context_ != nullptr) nfc_exit(context_);
}

bool LibnfcFelicaLibrary::initialize_library() {
  if (context_ == nullptr) nfc_init(&context_);
  return context_ != nullptr;
}

bool LibnfcFelicaLibrary::open_reader_writer_auto() {
  readerWanted_ = true;
  return OpenDevice();
}

void LibnfcFelicaLibrary::close_reader_writer() {
  readerWanted_ = false;
  CloseDevice();
}

bool LibnfcFelicaLibrary::OpenDevice() {
  CloseDevice();
  lastOpenAttempt_ = std::chrono::steady_clock::now();
  if (context_ == nullptr) return false;
  const char* named = std::getenv("LIBNFC_DEVICE");
  device_ = nfc_open(context_, named != nullptr && *named != '\0' ? named : nullptr);
  if (device_ == nullptr) return false;
  if (nfc_initiator_init(device_) < 0 ||
      nfc_device_set_property_bool(device_, NP_INFINITE_SELECT, false) < 0) {
    CloseDevice();
    return false;
  }
  return true;
}

void LibnfcFelicaLibrary::CloseDevice() {
  if (device_ == nullptr) return;
  nfc_close(device_);
  device_ = nullptr;
}

void LibnfcFelicaLibrary::ReopenIfDue() {
  if (device_ != nullptr || !readerWanted_) return;
  if (std::chrono::steady_clock::now() - lastOpenAttempt_ < kReopenInterval) return;
  if (OpenDevice()) Diagnose("FeliCa reader found again");
}

void LibnfcFelicaLibrary::LoseDevice(int error) {
  Diagnose(std::string("FeliCa reader lost: ") + nfc_strerror(device_) + " (" +
           std::to_string(error) + "); trying again every second");
  CloseDevice();
}

bool LibnfcFelicaLibrary::polling_and_get_card_information(const FelicaPolling& polling,
                                                           std::uint8_t& numberOfCards,
                                                           FelicaCardInfo& cardInfo) {
  numberOfCards = 0;
  ReopenIfDue();
  if (device_ == nullptr || polling.systemCode == nullptr) return false;

  const std::uint8_t payload[] = {kPollingCommand, (*polling.systemCode)[0],
                                  (*polling.systemCode)[1], kNoRequest, polling.timeSlot};
  const nfc_modulation felica{.nmt = NMT_FELICA, .nbr = NBR_212};
  nfc_target target{};
  const int found =
      nfc_initiator_select_passive_target(device_, felica, payload, sizeof payload, &target);
  if (found < 0) {
    if (ReaderLost(found)) LoseDevice(found);
    return false;
  }
  if (found == 0) return false;

  numberOfCards = static_cast<std::uint8_t>(found);
  if (cardInfo.idm != nullptr) std::memcpy(cardInfo.idm->data(), target.nti.nfi.abtId, 8);
  if (cardInfo.pmm != nullptr) std::memcpy(cardInfo.pmm->data(), target.nti.nfi.abtPad, 8);
  const int deselected = nfc_initiator_deselect_target(device_);
  if (ReaderLost(deselected)) LoseDevice(deselected);
  return true;
}

FelicaReaderState LibnfcFelicaLibrary::ReaderState() const {
  if (context_ == nullptr) return FelicaReaderState::kLibraryNotLoaded;
  return device_ == nullptr ? FelicaReaderState::kReaderNotOpen : FelicaReaderState::kReaderOpen;
}

}  // namespace cardwedge
