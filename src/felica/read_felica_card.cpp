#include <exception>
#include <utility>

#include "felica/felica_form1.h"
#include "roster/not_typed_caption.h"
#include "roster/read_rules.h"

namespace cardwedge {
namespace {

// Raised for a found value that cannot be typed as digits: it takes the error path.
class UntypeableValue : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

}  // namespace

// The error path deletes the FeliCa switch file. A value the keyboard refused ends the cycle
// before it (TypeAcceptedRead): the host may read that file. The cycle's labels are set once it
// has ended, after the keys.
void FelicaForm1::ReadFelicaCard() {
  texts_.Hold();
  try {
    PollAndType();
  } catch (const std::exception&) {
    DeleteFelicaSwitchFile();
  }
  texts_.ShowHeld();
}

void FelicaForm1::PollAndType() {
  const auto idm = PollFelicaCard(platform_.felicaLibrary);
  if (!idm) {
    texts_.Show({"PasoriLabel2", ""});
    cardLaidWhileAway_ = cardLaidWhileAway_ &&
                         platform_.felicaLibrary.ReaderState() != FelicaReaderState::kReaderOpen;
    if (beforeRefusal_) {
      LastReadTime = beforeRefusal_->time;
      module_.LastFelicaIDm = beforeRefusal_->cardId;
      beforeRefusal_.reset();
    }
    return;
  }
  module_.BytesToHexString("", *idm, 0);
  module_.FelicaIDm = module_.FelicaMessage;
  texts_.Show({"PasoriLabel2", module_.FelicaIDm});
  if (cardLaidWhileAway_) return;

  const double now = platform_.clock.SecondsSinceMidnight();
  if (RosterScreenMode == kRawIdMode) {
    if (ElapsedSince(now, LastReadTime) > 2) TypeAcceptedRead(now);
    return;
  }
  if (RepeatAccepted(module_.FelicaIDm, module_.LastFelicaIDm, ElapsedSince(now, LastReadTime),
                     lookup_.SecondEntryFlag)) {
    TypeAcceptedRead(now);
  }
}

// The read is recorded before the lookup and the typing, so a card not in the roster counts as
// accepted and a tick that runs during the typing does not type the same card again. A value
// that is not typed does not count: the record as it stood before comes back once the card has
// left the reader.
void FelicaForm1::TypeAcceptedRead(double now) {
  const AcceptedRead before =
      std::exchange(beforeRefusal_, std::nullopt)
          .value_or(AcceptedRead{.time = LastReadTime, .cardId = module_.LastFelicaIDm});
  LastReadTime = now;
  typist_.ExpectValue();
  try {
    if (RosterScreenMode == kRawIdMode) {
      typist_.TypeText(module_.FelicaIDm);
      return;
    }
    module_.LastFelicaIDm = module_.FelicaIDm;
    TypeFoundValue(FelicaPasswordSearch(module_.LastFelicaIDm));
  } catch (const TypingError& error) {
    texts_.Show({"PasoriLabel5", NotTypedCaption(error)});
    beforeRefusal_ = before;
  }
}

void FelicaForm1::TypeFoundValue(const std::optional<std::string>& value) {
  switch (ClassifyFoundValue(value)) {
    case FoundValue::kNotFound:
      texts_.Show({"PasoriLabel5", "---"});
      return;
    case FoundValue::kUntypeable: {
      const TypingError error(
          "the roster value \"" + value.value_or("") + "\" is not a whole number of digits",
          TypingError::Cause::kNoKey);
      ReportNotTyped(platform_, error);
      texts_.Show({"PasoriLabel5", NotTypedCaption(error)});
      throw UntypeableValue(error.what());
    }
    case FoundValue::kTypeable:
      break;
  }
  typist_.CheckFocus();
  PlaySoundIfPresent(platform_, kConfirmationSoundName);
  texts_.Show({"PasoriLabel5", *value + " " + lookup_.FoundText});
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
