// felica_for_vb.dll test double: the three entries of the FeliCa library that the program calls,
// answering as a test sets them up in the control folder named by CARDWEDGE_FELICA_CONTROL
// (see README.md):
//   initialize  "fail" makes initialize_library fail (absent: it succeeds)
//   open        "fail" makes open_reader_writer_auto fail; "once" makes it fail while the
//               library holds a reader it opened, until close_reader_writer (absent: it succeeds)
//   count       "untouched": a poll that finds no card leaves the card count alone (absent: 0)
//   reader      "unplugged": the PaSoRi is gone (absent: plugged in)
//   card        "<IDm-hex16> [<PMm-hex16>]": a card on the reader (absent or empty: none)
// Every call is appended to the folder's log with its arguments and result. Built with
// CARDWEDGE_CLOSE_TAKES_ARGUMENTS, close_reader_writer takes two arguments.

#include <windows.h>

#include <cstdint>
#include <cstring>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "control_folder.h"
#include "hex.h"

// The records the caller passes by address; addresses are pointer-sized.
struct FelicaPolling {
  std::uint8_t* system_code;  // 2 bytes
  std::uint8_t time_slot;
};

struct FelicaCardInfo {
  std::uint8_t* idm;  // 8 bytes
  std::uint8_t* pmm;  // 8 bytes
};

static_assert(sizeof(FelicaPolling) == 2 * sizeof(void*));
static_assert(sizeof(FelicaCardInfo) == 2 * sizeof(void*));

namespace cardwedge::testbed {
namespace {

constexpr std::size_t kIdLength = 8;

struct FelicaCard {
  std::vector<std::uint8_t> idm;
  std::vector<std::uint8_t> pmm;
};

const ControlFolder& Control() {
  static const ControlFolder control(L"CARDWEDGE_FELICA_CONTROL");
  return control;
}

bool Succeeds(const wchar_t* file) {
  return FirstWord(Control().Read(file).value_or("")) != "fail";
}

bool PluggedIn() { return FirstWord(Control().Read(L"reader").value_or("")) != "unplugged"; }

std::optional<FelicaCard> CardOnReader() {
  const std::string line = FirstWord(Control().Read(L"card").value_or(""));
  if (line.empty()) return std::nullopt;
  std::istringstream words(line);
  std::string idm_hex, pmm_hex = "0000000000000000";
  words >> idm_hex >> pmm_hex;
  auto idm = ParseHex(idm_hex);
  auto pmm = ParseHex(pmm_hex);
  if (!idm || idm->size() != kIdLength || !pmm || pmm->size() != kIdLength) {
    Control().Log("error: card: cannot read \"" + line + "\"");
    return std::nullopt;
  }
  return FelicaCard{std::move(*idm), std::move(*pmm)};
}

std::uint8_t Result(const std::string& call, bool success) {
  Control().Log(call + " = " + (success ? "1" : "0"));
  return success ? 1 : 0;
}

bool reader_open = false;
// Set by an open that succeeded, cleared by close_reader_writer only: an unplugged reader too.
bool reader_held = false;

}  // namespace
}  // namespace cardwedge::testbed

extern "C" {

std::uint8_t WINAPI initialize_library() {
  using namespace cardwedge::testbed;
  return Result("initialize_library", Succeeds(L"initialize"));
}

std::uint8_t WINAPI open_reader_writer_auto() {
  using namespace cardwedge::testbed;
  const std::string mode = FirstWord(Control().Read(L"open").value_or(""));
  // Refused without touching the reader it holds, which answers polls as before.
  if (mode == "once" && reader_held) return Result("open_reader_writer_auto", false);
  reader_open = mode != "fail" && PluggedIn();
  reader_held = reader_held || reader_open;
  return Result("open_reader_writer_auto", reader_open);
}

#ifdef CARDWEDGE_CLOSE_TAKES_ARGUMENTS
// A close_reader_writer that takes two arguments: as a 32-bit stdcall entry it removes 8 bytes
// from the stack as it returns, which a caller that passed none does not expect.
std::uint8_t WINAPI close_reader_writer(std::uint32_t first, std::uint32_t second) {
  const std::string call =
      "close_reader_writer " + std::to_string(first) + " " + std::to_string(second);
#else
std::uint8_t WINAPI close_reader_writer() {
  const std::string call = "close_reader_writer";
#endif
  using namespace cardwedge::testbed;
  reader_open = false;
  reader_held = false;
  return Result(call, true);
}

// A card answers when the reader is open and the control folder lays one on it; its IDm and
// PMm go to the buffers the card information points to, and the count is written (0 or 1; only 1
// when the count is "untouched"). A reader that is not open, or unplugged since it was opened, is
// a reader error: the poll fails without writing the count, and an unplugged reader stays closed
// until it is opened again.
std::uint8_t WINAPI polling_and_get_card_information(FelicaPolling* polling,
                                                     std::uint8_t* number_of_cards,
                                                     FelicaCardInfo* card_info) {
  using namespace cardwedge::testbed;
  std::string call = "polling_and_get_card_information";
  if (polling == nullptr || polling->system_code == nullptr || number_of_cards == nullptr ||
      card_info == nullptr || card_info->idm == nullptr || card_info->pmm == nullptr) {
    return Result(call + " null argument", false);
  }
  call += " system_code=" + cardwedge::HexText({polling->system_code, 2}) +
          " time_slot=" + std::to_string(polling->time_slot);
  reader_open = reader_open && PluggedIn();
  if (!reader_open) return Result(call + " reader error", false);
  const auto card = CardOnReader();
  if (!card) {
    if (FirstWord(Control().Read(L"count").value_or("")) != "untouched") *number_of_cards = 0;
    return Result(call, false);
  }
  *number_of_cards = 1;
  std::memcpy(card_info->idm, card->idm.data(), kIdLength);
  std::memcpy(card_info->pmm, card->pmm.data(), kIdLength);
  return Result(call + " idm=" + cardwedge::HexText(card->idm), true);
}

}  // extern "C"
