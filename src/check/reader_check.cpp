#include <cstdio>

#include "check/site_check.h"
#include "pcsc/pcsc_mod.h"

namespace cardwedge {
namespace {

constexpr const char* kThisBitness = sizeof(void*) == 8 ? "64-bit" : "32-bit";

std::string ResultCode(ScardResult result) {
  char code[16];
  std::snprintf(code, sizeof code, "0x%08X", static_cast<unsigned>(result));
  return code;
}

// Why the library did not load, and what to do.
Finding LibraryFault(const LibraryOrigin& origin) {
  const Bilingual topic{"FeliCa library", "FeliCa ライブラリ"};
  const std::string detail = origin.detail.empty() ? "" : " (" + origin.detail + ")";
  switch (origin.fault) {
    case LibraryLoadFault::kMissing:
      return {
          FindingLevel::kError,
          topic,
          {"not found beside the program nor in the system folder" + detail,
           "プログラムのフォルダにもシステムフォルダにもありません" + detail},
          {"copy the reader maker's FeliCa library beside the program",
           "リーダーのメーカーの FeliCa ライブラリをプログラムと同じフォルダにコピーしてください"}};
    case LibraryLoadFault::kMissingRuntime:
      return {FindingLevel::kError,
              topic,
              {origin.where +
                   " is there, but a DLL it needs (the reader maker's runtime) is "
                   "missing" +
                   detail,
               origin.where +
                   " はありますが、それが使う DLL (リーダーのメーカーのランタイム) が"
                   "ありません" +
                   detail},
              {"install the reader maker's driver package, which brings the runtime",
               "リーダーのメーカーのドライバ一式をインストールしてください"}};
    case LibraryLoadFault::kWrongBitness:
      return {FindingLevel::kError,
              topic,
              {origin.where + " is not a " + std::string(kThisBitness) +
                   " DLL, as this cardwedge is" + detail,
               origin.where + " はこの cardwedge と同じ " + kThisBitness +
                   " の DLL ではありません" + detail},
              {sizeof(void*) == 8 ? "use the x86 package of cardwedge with a 32-bit library"
                                  : "use the reader maker's 32-bit library",
               sizeof(void*) == 8 ? "32 ビットのライブラリには cardwedge の x86 版を使ってください"
                                  : "リーダーのメーカーの 32 ビット版ライブラリを使ってください"}};
    case LibraryLoadFault::kMissingEntries:
      return {FindingLevel::kError,
              topic,
              {origin.where + " lacks an entry the FeliCa window calls" + detail,
               origin.where + " に FeliCa の窓が呼ぶ関数がありません" + detail},
              {"use the reader maker's FeliCa library",
               "リーダーのメーカーの FeliCa ライブラリを使ってください"}};
    case LibraryLoadFault::kRefused:
    case LibraryLoadFault::kNone:
      break;
  }
  return {FindingLevel::kError,
          topic,
          {"the system refused to load it" + detail, "システムが読み込みを拒みました" + detail},
          {"reinstall the reader maker's driver package",
           "リーダーのメーカーのドライバ一式を入れ直してください"}};
}

bool CanRead(const std::vector<Finding>& findings) {
  for (const Finding& finding : findings) {
    if (finding.level == FindingLevel::kError) return false;
  }
  return true;
}

}  // namespace

void SiteCheck::CheckReaders() {
  std::vector<Finding> felica = CheckFelica();
  std::vector<Finding> pcsc = CheckPcsc();
  const bool anyReader = CanRead(felica) || CanRead(pcsc);
  for (std::vector<Finding>* family : {&felica, &pcsc}) {
    for (Finding& finding : *family) {
      // A desk may use one family only: the other's faults stop nothing while one can read.
      if (anyReader && finding.level == FindingLevel::kError)
        finding.level = FindingLevel::kWarning;
      report_(finding);
    }
  }
}

// The calls of the FeliCa window's start, in its order.
std::vector<Finding> SiteCheck::CheckFelica() {
  FelicaLibrary& library = platform_.felicaLibrary;
  const bool initialized = library.initialize_library();
  const LibraryOrigin origin = probes_.FelicaLibraryOrigin();
  if (origin.fault != LibraryLoadFault::kNone) return {LibraryFault(origin)};
  felicaLibraryLoaded_ = true;
  std::vector<Finding> findings;
  findings.push_back({FindingLevel::kOk,
                      {"FeliCa library", "FeliCa ライブラリ"},
                      {"loaded: " + origin.where, "読み込みました: " + origin.where}});
  const Bilingual call{"FeliCa initialize_library", "FeliCa initialize_library"};
  if (initialized) {
    findings.push_back({FindingLevel::kOk, call, {"succeeded", "成功"}});
  } else {
    findings.push_back({FindingLevel::kError,
                        call,
                        {"failed", "失敗"},
                        {"reinstall the reader maker's driver package",
                         "リーダーのメーカーのドライバ一式を入れ直してください"}});
  }
  const bool opened = library.open_reader_writer_auto();
  const Bilingual reader{"FeliCa reader", "FeliCa リーダー"};
  if (opened && library.ReaderState() == FelicaReaderState::kReaderOpen) {
    findings.push_back({FindingLevel::kOk,
                        reader,
                        {"open_reader_writer_auto succeeded: the reader is present",
                         "open_reader_writer_auto 成功: リーダーがあります"}});
  } else {
    findings.push_back({FindingLevel::kError,
                        reader,
                        {"open_reader_writer_auto failed: no reader found",
                         "open_reader_writer_auto 失敗: リーダーが見つかりません"},
                        {"plug the reader in and install its driver; no other program may hold it",
                         "リーダーをつなぎ、ドライバを入れてください。ほかのプログラムが使っていな"
                         "いことも確かめてください"}});
  }
  return findings;
}

// The PC/SC window's start: a context, the reader list and the reader it chooses.
std::vector<Finding> SiteCheck::CheckPcsc() {
  SmartCard& smartCard = platform_.smartCard;
  const Bilingual service{"smart-card service", "スマートカードサービス"};
  const ScardResult established = smartCard.EstablishContext(kScardScopeUser, context_);
  if (established != kScardSuccess) {
    return {{FindingLevel::kError,
             service,
             {"not reachable (" + ResultCode(established) + ")",
              "つながりません (" + ResultCode(established) + ")"},
             {"start the smart-card service (pcscd; on Windows the \"Smart Card\" service, which "
              "Windows 8 and later start when a reader is plugged in)",
              "スマートカードサービスを起動してください (Windows の「Smart Card」サービス。"
              "Windows 8 以降はリーダーをつなぐと起動します)"}}};
  }
  contextHeld_ = true;
  std::vector<Finding> findings{{FindingLevel::kOk, service, {"reachable", "つながります"}}};
  const Bilingual readers{"PC/SC readers", "PC/SC リーダー"};
  std::uint32_t length = 0;
  ScardResult listed = smartCard.ListReaders(context_, nullptr, length);
  std::vector<char> list(length, '\0');
  if (listed == kScardSuccess) listed = smartCard.ListReaders(context_, list.data(), length);
  if (listed == kScardSuccess) {
    pcscReaders_ =
        ReaderNames(std::string_view(list.data(), std::min<std::size_t>(length, list.size())));
  }
  if (pcscReaders_.empty()) {
    findings.push_back({FindingLevel::kError,
                        readers,
                        {"none listed (" + ResultCode(listed) + ")",
                         "一覧にありません (" + ResultCode(listed) + ")"},
                        {"plug the reader in and install its driver",
                         "リーダーをつなぎ、ドライバを入れてください"}});
    return findings;
  }
  std::vector<std::string> names;
  std::string joined;
  for (const std::string& name : pcscReaders_) {
    names.push_back(platform_.textCodec.AnsiToUtf8(name));
    joined += (joined.empty() ? "\"" : ", \"") + names.back() + "\"";
  }
  findings.push_back({FindingLevel::kOk, readers, {"listed: " + joined, "一覧: " + joined}});
  const std::string chosen = "\"" + names[static_cast<std::size_t>(ChooseReader(names))] + "\"";
  const bool preferred = chosen.find(kPreferredReaderMark) != std::string::npos;
  const std::string mark(kPreferredReaderMark);
  findings.push_back(
      {FindingLevel::kOk,
       {"PC/SC window's reader", "PC/SC の窓のリーダー"},
       {chosen + (preferred ? ": the first whose name holds " + mark
                            : ": the last listed, as no name holds " + mark),
        chosen + (preferred ? ": 名前に " + mark + " を含む最初のもの"
                            : ": 名前に " + mark + " を含むものがないため、一覧の最後のもの")}});
  return findings;
}

}  // namespace cardwedge
