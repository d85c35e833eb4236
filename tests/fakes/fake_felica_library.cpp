#include "fake_felica_library.h"

namespace cardwedge {

bool FakeFelicaLibrary::polling_and_get_card_information(const FelicaPolling& polling,
                                                         std::uint8_t& numberOfCards,
                                                         FelicaCardInfo& cardInfo) {
  ++polls;
  lastSystemCode = *polling.systemCode;
  lastTimeSlot = polling.timeSlot;
  if (!idm || !readerOpen) return false;
  numberOfCards = 1;
  *cardInfo.idm = *idm;
  cardInfo.pmm->fill(0x33);
  return true;
}

FelicaReaderState FakeFelicaLibrary::ReaderState() const {
  if (!libraryLoaded) return FelicaReaderState::kLibraryNotLoaded;
  return readerOpen ? FelicaReaderState::kReaderOpen : FelicaReaderState::kReaderNotOpen;
}

}  // namespace cardwedge
