#include "roster/reader_card_ids.h"

#include <algorithm>
#include <cstdint>
#include <optional>
#include <string>
#include <tuple>
#include <type_traits>
#include <vector>

#include "common/card_id_text.h"
#include "common/hex_text.h"
#include "platform/felica_library.h"

namespace cardwedge {
namespace {

// The FeliCa window looks up HexText of the IDm buffer the library fills.
constexpr std::size_t kFelicaIdmBytes =
    std::tuple_size_v<std::remove_pointer_t<decltype(FelicaCardInfo::idm)>>;
// ISO 14443 A UIDs: single, double and triple size.
constexpr std::size_t kIso14443UidBytes[] = {4, 7, 10};
// The two status bytes that end a GET DATA response.
constexpr std::uint8_t kStatusOk[] = {0x90, 0x00};

struct CardIdBytes {
  std::vector<std::uint8_t> bytes;
  bool iso14443Uid = false;
};

int HexDigitValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return -1;
}

// The bytes an identifier text stands for, read leniently (either case), so that formatting
// them decides whether a reader gives the text.
std::optional<CardIdBytes> ReadCardId(std::string_view text) {
  CardIdBytes id;
  id.iso14443Uid = text.starts_with(kIso14443UidPrefix);
  if (id.iso14443Uid) text.remove_prefix(std::string_view(kIso14443UidPrefix).size());
  if (text.empty() || text.size() % 2 != 0) return std::nullopt;
  for (std::size_t i = 0; i < text.size(); i += 2) {
    const int high = HexDigitValue(text[i]);
    const int low = HexDigitValue(text[i + 1]);
    if (high < 0 || low < 0) return std::nullopt;
    id.bytes.push_back(static_cast<std::uint8_t>(high * 16 + low));
  }
  return id;
}

std::optional<std::string> FormatCardId(ReaderFamily family, const CardIdBytes& id) {
  if (family == ReaderFamily::kFelica) {
    if (id.iso14443Uid || id.bytes.size() != kFelicaIdmBytes) return std::nullopt;
    return HexText(id.bytes);
  }
  std::vector<std::uint8_t> response = id.bytes;
  response.insert(response.end(), std::begin(kStatusOk), std::end(kStatusOk));
  return CardIdText(response.data(), response.size(), id.iso14443Uid);
}

bool IsCommonShape(ReaderFamily family, const CardIdBytes& id) {
  if (family == ReaderFamily::kFelica) return true;
  return std::ranges::count(kIso14443UidBytes, id.bytes.size()) > 0 ||
         (!id.iso14443Uid && id.bytes.size() == kFelicaIdmBytes);
}

// One identifier of each common shape of the family, made of zero bytes.
std::vector<std::string> CommonCardIdShapes(ReaderFamily family) {
  std::vector<std::string> shapes;
  for (const bool iso14443Uid : {false, true}) {
    for (const std::size_t size :
         {kFelicaIdmBytes, kIso14443UidBytes[0], kIso14443UidBytes[1], kIso14443UidBytes[2]}) {
      const CardIdBytes id{.bytes = std::vector<std::uint8_t>(size), .iso14443Uid = iso14443Uid};
      const std::optional<std::string> text = FormatCardId(family, id);
      if (text && IsCommonShape(family, id)) shapes.push_back(*text);
    }
  }
  return shapes;
}

// The common cards found by a record whose card identifier is their characters 15 to 30: per
// common shape, its first 14 characters and how many follow.
class CommonCardTails {
 public:
  CommonCardTails() {
    for (const ReaderFamily family : kReaderFamilies) {
      for (const std::string& shape : CommonCardIdShapes(family)) {
        tails_.push_back({family, Mid(shape, 1, 14), Mid(shape, 15, 16).size()});
      }
    }
  }

  // Whether such cards find the record: each shape of the identifier's length, ending in it, is
  // tried on the lookup's rule.
  bool FindRecord(std::string_view cardId) const {
    for (const Tail& tail : tails_) {
      if (tail.length != cardId.size()) continue;
      const std::string key = tail.head + std::string(cardId);
      if (CommonCardGives(tail.family, key) &&
          CardIdMatches(key, Mid(key, 15, 16), cardId, EmptyCardIdsOf(tail.family))) {
        return true;
      }
    }
    return false;
  }

 private:
  struct Tail {
    ReaderFamily family;
    std::string head;
    std::size_t length;
  };
  std::vector<Tail> tails_;
};

}  // namespace

EmptyCardIds EmptyCardIdsOf(ReaderFamily family) {
  return family == ReaderFamily::kFelica ? EmptyCardIds::kCanMatch : EmptyCardIds::kNeverMatch;
}

bool ReaderGives(ReaderFamily family, std::string_view cardId) {
  const std::optional<CardIdBytes> id = ReadCardId(cardId);
  return id && FormatCardId(family, *id) == cardId;
}

bool AnyReaderGives(std::string_view cardId) {
  return std::ranges::any_of(kReaderFamilies,
                             [&](ReaderFamily family) { return ReaderGives(family, cardId); });
}

bool CommonCardGives(ReaderFamily family, std::string_view cardId) {
  const std::optional<CardIdBytes> id = ReadCardId(cardId);
  return id && FormatCardId(family, *id) == cardId && IsCommonShape(family, *id);
}

bool CommonCardsFindAsTail(std::string_view cardId) {
  static const CommonCardTails tails;
  return tails.FindRecord(cardId);
}

}  // namespace cardwedge
