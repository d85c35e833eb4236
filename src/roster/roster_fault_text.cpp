#include <string>
#include <string_view>

#include "common/card_id_text.h"
#include "roster/card_lookup.h"
#include "roster/read_rules.h"
#include "roster/reader_card_ids.h"
#include "roster/roster_faults.h"

namespace cardwedge {
namespace {

bool English(ReportLanguage language) { return language == ReportLanguage::kEnglish; }

// Longer roster texts are cut (at a character's start) in a fault's line.
constexpr std::size_t kMaxQuotedBytes = 64;

// A roster text in quotes, on one line: a quoted field may hold line ends and other control
// characters, which are shown escaped, and may be of any length.
std::string Quoted(std::string_view text) {
  static constexpr char kHexDigits[] = "0123456789ABCDEF";
  std::string_view cut;
  if (text.size() > kMaxQuotedBytes) {
    std::size_t end = kMaxQuotedBytes;
    while (end > 0 && (static_cast<unsigned char>(text[end]) & 0xC0) == 0x80) --end;
    cut = "...";
    text = text.substr(0, end);
  }
  std::string quoted = "\"";
  for (const char c : text) {
    const auto byte = static_cast<unsigned char>(c);
    if (c == '\r') {
      quoted += "\\r";
    } else if (c == '\n') {
      quoted += "\\n";
    } else if (byte < 0x20 || byte == 0x7F) {
      quoted += std::string("\\x") + kHexDigits[byte >> 4] + kHexDigits[byte & 0x0F];
    } else {
      quoted += c;
    }
  }
  return quoted + std::string(cut) + "\"";
}

std::string Where(ReportLanguage language, int record, int line) {
  return English(language)
             ? "record " + std::to_string(record) + " (line " + std::to_string(line) + ")"
             : "レコード" + std::to_string(record) + " (" + std::to_string(line) + "行目)";
}

// The ASCII character a full-width form (U+FF01 to U+FF5E) or the ideographic space (U+3000)
// stands for, reading the three-byte UTF-8 sequence at `at`; 0 for any other character.
char NarrowFormAt(std::string_view text, std::size_t at) {
  if (at + 2 >= text.size()) return 0;
  const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(text[at + i]); };
  const unsigned codePoint =
      ((byte(0) & 0x0Fu) << 12) | ((byte(1) & 0x3Fu) << 6) | (byte(2) & 0x3Fu);
  if ((byte(0) & 0xF0u) != 0xE0u) return 0;
  if (codePoint == 0x3000) return ' ';
  return codePoint >= 0xFF01 && codePoint <= 0xFF5E ? static_cast<char>(codePoint - 0xFEE0) : '\0';
}

// The identifier as a reader would give it, when it differs only by what copying from another
// program or typing by hand adds: spaces, hyphens, full-width characters, lower-case letters.
std::string SuggestedCardId(std::string_view cardId) {
  std::string suggested;
  for (std::size_t at = 0; at < cardId.size(); ++at) {
    char c = cardId[at];
    if (static_cast<unsigned char>(c) >= 0x80) {
      c = NarrowFormAt(cardId, at);
      if (c == 0) return "";
      at += 2;
    }
    if (c == ' ' || c == '\t' || c == '-') continue;
    suggested += c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
  }
  const bool given = AnyReaderGives(suggested) || AnyReaderGives(Mid(suggested, 15, 16));
  const bool shownWhole = suggested.size() <= kMaxQuotedBytes;
  return given && shownWhole && suggested != cardId ? suggested : "";
}

std::string NoReaderGivesText(ReportLanguage language, const std::string& cardId) {
  const std::string suggested = SuggestedCardId(cardId);
  if (English(language)) {
    return "no card gives the card identifier " + Quoted(cardId) +
           " (field 49), so this record is never found: readers give upper-case hexadecimal "
           "(0-9, A-F) with an even number of digits, after \"UID:\" when the PC/SC window's "
           "\"ISO 14443 A Card\" box is checked; " +
           (suggested.empty() ? "read the card's identifier again and copy it exactly"
                              : "write " + Quoted(suggested));
  }
  return "カードID " + Quoted(cardId) +
         " (49番目の項目) はどのカードも返さない形なので、このレコードは見つかりません。"
         "リーダーが返すのは偶数桁の大文字の16進数 (0-9、A-F) で、PC/SCウィンドウの"
         "「ISO 14443 A Card」にチェックがあるときは前に \"UID:\" が付きます。" +
         (suggested.empty() ? "カードのIDを読み直して、そのとおりに書いてください"
                            : Quoted(suggested) + " と書いてください");
}

std::size_t HexDigits(std::string_view cardId) {
  const std::string_view prefix = kIso14443UidPrefix;
  return cardId.starts_with(prefix) ? cardId.size() - prefix.size() : cardId.size();
}

// The identifier is one a reader gives; a short one may also be the tail of common cards.
std::string UnusualLengthText(ReportLanguage language, const std::string& cardId) {
  const std::string digits = std::to_string(HexDigits(cardId));
  const bool tail = CommonCardsFindAsTail(cardId);
  if (English(language)) {
    return "the card identifier " + Quoted(cardId) + " has " + digits +
           " hexadecimal digits, a length no common card gives (FeliCa cards give 16; PC/SC "
           "cards usually 8, 14 or 20, or 16 for a FeliCa card): check that it was copied whole" +
           (tail ? "; as it stands, every card whose characters 15 to 30 are " + Quoted(cardId) +
                       " finds this record, whoever holds it"
                 : "");
  }
  return "カードID " + Quoted(cardId) + " は16進数" + digits +
         "桁で、一般的なカードにはない長さです (FeliCaカードは16桁、PC/SCカードは多くが8、14、"
         "20桁、FeliCaカードなら16桁)。IDが欠けずに写されているか確かめてください" +
         (tail ? "。このままでは、IDの15〜30文字目が " + Quoted(cardId) +
                     " のカードはすべて、誰のカードでもこのレコードに当たります"
               : "");
}

// The card identifiers of a record and of the earlier one that hides it.
std::string CardIds(ReportLanguage language, const RosterFault& fault, const Roster& roster) {
  const bool english = English(language);
  const std::string& cardId = roster.RosterCardId[fault.record];
  const std::string& other = roster.RosterCardId[fault.otherRecord];
  if (cardId == other)
    return (english ? "the same card identifier " : "同じカードID ") + Quoted(cardId);
  return (english ? "card identifiers " : "カードID ") + Quoted(cardId) +
         (english ? " and " : " と ") + Quoted(other);
}

std::string NeverFoundText(ReportLanguage language, const RosterFault& fault,
                           const Roster& roster) {
  const std::string other = Where(language, fault.otherRecord, fault.otherLine);
  const std::string& value = roster.RosterValue[fault.record];
  const bool sameValue = fault.level == RosterFaultLevel::kWarning;
  if (English(language)) {
    return "never found: " + other +
           ", earlier in the roster, is found first by every card that would find this one " +
           (sameValue ? "and types the same number " + Quoted(value) + "; remove one of the two"
                      : "(" + CardIds(language, fault, roster) +
                            "); correct the card identifier of one of them, or remove one");
  }
  return "このレコードは見つかりません。先にある" + other +
         "が、このレコードに当たるはずのカードすべてに先に当たり" +
         (sameValue ? "、同じ番号 " + Quoted(value) + " を入力します。片方を削除してください"
                    : "ます (" + CardIds(language, fault, roster) +
                          ")。どちらかのカードIDを直すか、片方を削除してください");
}

std::string ValueNotTypeableText(ReportLanguage language, const std::string& value) {
  const bool english = English(language);
  if (value.empty()) {
    return english ? "the number (field 2) is empty, so this record's card types nothing: write "
                     "the number to type"
                   : "番号 (2番目の項目) が空なので、このレコードのカードでは何も入力されません。"
                     "入力する番号を書いてください";
  }
  if (ClassifyFoundValue(value) == FoundValue::kNotFound) {
    return english ? "the number " + Quoted(value) +
                         " (field 2) reads as 0, which the windows take for a card not in the "
                         "roster, so this record's card types nothing: write the number to type"
                   : "番号 " + Quoted(value) +
                         " (2番目の項目) は0と読まれ、名簿にないカードとして扱われるので、"
                         "このレコードのカードでは何も入力されません。入力する番号を書いてください";
  }
  return english ? "the number " + Quoted(value) +
                       " (field 2) is not made only of the digits 0-9, so it is never typed: "
                       "write it with digits only"
                 : "番号 " + Quoted(value) +
                       " (2番目の項目) は数字0-9だけでできていないので、入力されません。"
                       "数字だけで書いてください";
}

std::string SameValueText(ReportLanguage language, const RosterFault& fault, const Roster& roster) {
  const std::string& value = roster.RosterValue[fault.record];
  const std::string other = Where(language, fault.otherRecord, fault.otherLine);
  return English(language) ? "the number " + Quoted(value) + " (field 2) is also that of " + other +
                                 ": two cards type the same number; check which is right"
                           : "番号 " + Quoted(value) + " (2番目の項目) は" + other +
                                 "と同じです。2枚のカードが同じ番号を入力します。"
                                 "どちらが正しいか確かめてください";
}

std::string NearRecordLimitText(ReportLanguage language, int count) {
  const std::string limit = std::to_string(kMaxRosterRecords);
  return English(language)
             ? "the roster holds " + std::to_string(count) + " records, near the limit of " +
                   limit + ": a roster of more does not load; remove the records no longer needed"
             : "名簿のレコードは" + std::to_string(count) + "件で、上限の" + limit +
                   "件に近づいています。これを超える名簿は読み込めません。"
                   "不要になったレコードを削除してください";
}

std::string DetailText(const RosterFault& fault, const Roster& roster, ReportLanguage language) {
  const std::string& cardId = roster.RosterCardId[fault.record];
  switch (fault.kind) {
    case RosterFaultKind::kCardIdNoReaderGives:
      return NoReaderGivesText(language, cardId);
    case RosterFaultKind::kCardIdEmpty:
      return English(language)
                 ? "the card identifier (field 49) is empty, so no card finds this record: fill "
                   "in the identifier of the person's card, or remove the record"
                 : "カードID (49番目の項目) "
                   "が空なので、どのカードでもこのレコードは見つかりません。"
                   "その人のカードのIDを書くか、レコードを削除してください";
    case RosterFaultKind::kCardIdUnusualLength:
      return UnusualLengthText(language, cardId);
    case RosterFaultKind::kNeverFound:
      return NeverFoundText(language, fault, roster);
    case RosterFaultKind::kSameValue:
      return SameValueText(language, fault, roster);
    case RosterFaultKind::kValueNotTypeable:
      return ValueNotTypeableText(language, roster.RosterValue[fault.record]);
    case RosterFaultKind::kNearRecordLimit:
      return NearRecordLimitText(language, roster.RosterCount);
  }
  return "";
}

}  // namespace

std::string RosterFaultText(const RosterFault& fault, const Roster& roster,
                            ReportLanguage language) {
  if (fault.record == 0) return DetailText(fault, roster, language);
  return Where(language, fault.record, fault.line) + ": " + DetailText(fault, roster, language);
}

}  // namespace cardwedge
