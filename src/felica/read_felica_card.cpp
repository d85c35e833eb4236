#include <array>
#include <cstdint>
#include <exception>

#include "felica/felica_form1.h"
#include "roster/read_rules.h"

namespace cardwedge {
namespace {

// Raised for a found value that reads as a number other than 0 but cannot be typed as digits.
class UntypeableValue : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

}  // namespace

void FelicaForm1::ReadFelicaCard() {
  try {
    PollAndType();
  } catch (const std::exception&) {
    DeleteFelicaSwitchFile();
  }
}

void FelicaForm1::PollAndType() {
  std::array<std::uint8_t, 2> systemCode{0xFF, 0xFF};
  std::array<std::uint8_t, 8> idm{};
  std::array<std::uint8_t, 8> pmm{};
  std::uint8_t numberOfCards = 0;
  const FelicaPolling polling{.systemCode = &systemCode, .timeSlot = 0};
  FelicaCardInfo cardInfo{.idm = &idm, .pmm = &pmm};

  if (!platform_.felicaLibrary.polling_and_get_card_information(polling, numberOfCards, cardInfo)) {
    window_->Get("PasoriLabel2").SetText("");
    return;
  }
  module_.BytesToHexString("", idm, 0);
  module_.FelicaIDm = module_.FelicaMessage;
  window_->Get("PasoriLabel2").SetText(module_.FelicaIDm);

  if (RosterScreenMode == kRawIdMode) {
    const double now = platform_.clock.SecondsSinceMidnight();
    if (ElapsedSince(now, LastReadTime) > 2) {
      LastReadTime = now;
      typist_.TypeText(module_.FelicaIDm);
    }
    return;
  }

  const double now = platform_.clock.SecondsSinceMidnight();
  if (!RepeatAccepted(module_.FelicaIDm, module_.LastFelicaIDm, ElapsedSince(now, LastReadTime),
                      lookup_.SecondEntryFlag)) {
    return;
  }
  // Set before the lookup and the typing, so a card not in the roster counts as accepted and a
  // tick that runs during the typing does not type the same card again.
  LastReadTime = now;
  module_.LastFelicaIDm = module_.FelicaIDm;
  TypeFoundValue(FelicaPasswordSearch(module_.LastFelicaIDm));
}

void FelicaForm1::TypeFoundValue(const std::optional<std::string>& value) {
  switch (ClassifyFoundValue(value)) {
    case FoundValue::kNotFound:
      window_->Get("PasoriLabel5").SetText("---");
      return;
    case FoundValue::kUntypeable:
      throw UntypeableValue("the roster value \"" + value.value_or("") + "\" cannot be typed");
    case FoundValue::kTypeable:
      break;
  }
  PlaySoundIfPresent(platform_, kConfirmationSoundName);
  window_->Get("PasoriLabel5").SetText(*value + " " + lookup_.FoundText);
  TypeDigitsFlagged(typist_, *value, state_.FelicaTyping, state_.PcscTyping);
}

// The error path: the cycle ends by deleting the FeliCa switch file; a file that is not there,
// or cannot be deleted, changes nothing.
void FelicaForm1::DeleteFelicaSwitchFile() {
  const std::string path =
      platform_.files.JoinPath(platform_.files.ProgramFolder(), kFelicaSwitchFileName);
  try {
    platform_.files.Delete(path);
  } catch (const FileError&) {
  }
}

std::optional<std::string> FelicaForm1::FelicaPasswordSearch(const std::string& bbb) {
  return PasswordSearch(roster_, bbb, EmptyCardIds::kCanMatch, lookup_);
}

}  // namespace cardwedge
