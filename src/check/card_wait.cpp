#include <array>
#include <chrono>
#include <thread>

#include "check/site_check.h"
#include "common/hex_text.h"
#include "felica/module_felica.h"
#include "pcsc/get_data.h"
#include "pcsc/pcsc_mod.h"
#include "roster/card_lookup.h"
#include "roster/read_rules.h"

namespace cardwedge {
namespace {

// The windows poll their readers ten times a second.
constexpr auto kPollInterval = std::chrono::milliseconds(100);

}  // namespace

void SiteCheck::WaitForCards(int seconds) {
  if (seconds <= 0) return;
  const std::string wait = std::to_string(seconds);
  if (!felicaLibraryLoaded_ && pcscReaders_.empty()) {
    report_(
        {FindingLevel::kError,
         {"cards", "カード"},
         {"no reader to wait on for " + wait + " seconds", wait + " 秒待つリーダーがありません"},
         {"put the readers right first (see above)", "先に上のリーダーの問題を直してください"}});
    return;
  }
  report_({FindingLevel::kOk,
           {"cards", "カード"},
           {"waiting " + wait + " seconds: lay each card on a reader; nothing is typed",
            wait + " 秒待ちます。カードをリーダーに置いてください (何も入力しません)"}});
  Clock& clock = platform_.clock;
  const double start = clock.SecondsSinceMidnight();
  while (ElapsedSince(clock.SecondsSinceMidnight(), start) < seconds) {
    if (felicaLibraryLoaded_) PollFelica();
    for (const std::string& reader : pcscReaders_) PollPcscReader(reader);
    std::this_thread::sleep_for(kPollInterval);
  }
}

// The FeliCa window's poll: the IDm of the card that answers, as upper-case hexadecimal.
void SiteCheck::PollFelica() {
  const auto idm = PollFelicaCard(platform_.felicaLibrary);
  if (!idm) {
    felicaCard_.clear();
    return;
  }
  const std::string cardId = HexText(*idm);
  if (cardId == felicaCard_) return;
  felicaCard_ = cardId;
  ReportCard({"FeliCa reader", "FeliCa リーダー"}, cardId, true);
}

// The PC/SC window's read: connect, GET DATA, and let the card go.
void SiteCheck::PollPcscReader(const std::string& reader) {
  SmartCard& smartCard = platform_.smartCard;
  ScardHandle card = 0;
  std::uint32_t protocol = 0;
  if (smartCard.Connect(context_, reader, kScardShareShared, kScardProtocolT0 | kScardProtocolT1,
                        card, protocol) != kScardSuccess) {
    pcscCards_[reader].clear();
    return;
  }
  const auto command = GetDataCommand(false);
  std::array<std::uint8_t, 256> response{};
  std::uint32_t length = 255;
  ScardIoRequest pci{protocol};
  const ScardResult sent =
      smartCard.Transmit(card, ScardIoRequest{protocol}, command.data(),
                         static_cast<std::uint32_t>(command.size()), pci, response.data(), length);
  smartCard.Disconnect(card, kScardUnpowerCard);
  if (sent != kScardSuccess || !IsValidResponse(response.data(), length)) return;
  // A card that answers without an identifier is reported once, as an empty one.
  const std::string cardId = CardIdText(response.data(), length, false);
  const std::string seen = "card:" + cardId;
  if (pcscCards_[reader] == seen) return;
  pcscCards_[reader] = seen;
  const std::string name = platform_.textCodec.AnsiToUtf8(reader);
  ReportCard({"PC/SC reader \"" + name + "\"", "PC/SC リーダー \"" + name + "\""}, cardId, false);
}

// The lookup of the reader's window and what it would do with the value found.
void SiteCheck::ReportCard(const Bilingual& reader, const std::string& cardId, bool felica) {
  const std::string id = "\"" + cardId + "\"";
  LookupResult lookup;
  const std::optional<std::string> value =
      roster_ && !(cardId.empty() && !felica)
          ? PasswordSearch(*roster_, cardId,
                           felica ? EmptyCardIds::kCanMatch : EmptyCardIds::kNeverMatch, lookup)
          : std::nullopt;
  const Bilingual topic{"card on the " + reader.english, reader.japanese + " のカード"};
  if (!roster_) {
    report_({FindingLevel::kWarning,
             topic,
             {id + " read; no roster is loaded to look it up in",
              id + " を読みました。照合する名簿が読み込まれていません"},
             {"put the roster right first (see above)", "先に上の名簿の問題を直してください"}});
    return;
  }
  if (!value) {
    report_({FindingLevel::kWarning,
             topic,
             {id + " matches no roster record: the window shows ---",
              id + " は名簿のどの行にも合いません。窓には --- と出ます"},
             {"put this identifier in field 49 of the card's record",
              "この識別子をその人の行の 49 番目の項目に書いてください"}});
    return;
  }
  const std::string number = std::to_string(lookup.FoundRecord);
  const std::string line =
      std::to_string(roster_->RosterLine[static_cast<std::size_t>(lookup.FoundRecord)]);
  const std::string text = "\"" + lookup.FoundText + "\"";
  const std::string record = "record " + number + " (line " + line + ", " + text + ")";
  const std::string recordJapanese = "レコード" + number + " (" + line + "行目、" + text + ")";
  switch (ClassifyFoundValue(value)) {
    case FoundValue::kTypeable:
      report_({FindingLevel::kOk,
               topic,
               {id + " is " + record + ": the window types " + *value + " and Enter",
                id + " は" + recordJapanese + "。窓は " + *value + " と Enter を入力します"}});
      return;
    case FoundValue::kNotFound:
      report_({FindingLevel::kWarning,
               topic,
               {id + " is " + record + ", whose value \"" + *value +
                    "\" reads as 0: the window shows ---",
                id + " は" + recordJapanese + "ですが、値 \"" + *value +
                    "\" は 0 と読まれるため、窓には --- と出ます"},
               {"give the record its number in field 2",
                "その行の 2 番目の項目に番号を書いてください"}});
      return;
    case FoundValue::kUntypeable:
      break;
  }
  report_({FindingLevel::kWarning,
           topic,
           {id + " is " + record + ", whose value \"" + *value +
                "\" is not a whole number of digits: it is never typed",
            id + " は" + recordJapanese + "ですが、値 \"" + *value +
                "\" は数字だけではないため入力されません"},
           {"give the record a number of digits only in field 2",
            "その行の 2 番目の項目を数字だけにしてください"}});
}

}  // namespace cardwedge
