#include "check/check_report.h"

namespace cardwedge {
namespace {

const char* LevelWord(FindingLevel level, ReportLanguage language) {
  const bool japanese = language == ReportLanguage::kJapanese;
  switch (level) {
    case FindingLevel::kOk:
      return japanese ? "[OK]    " : "OK       ";
    case FindingLevel::kWarning:
      return japanese ? "[警告]  " : "WARNING  ";
    case FindingLevel::kError:
      break;
  }
  return japanese ? "[エラー]" : "ERROR    ";
}

}  // namespace

int CheckExitStatus(bool anyWarning, bool anyError) {
  if (anyError) return 2;
  return anyWarning ? 1 : 0;
}

std::string FindingLine(const Finding& finding, ReportLanguage language) {
  const bool japanese = language == ReportLanguage::kJapanese;
  std::string line = std::string(LevelWord(finding.level, language)) + " " +
                     finding.topic.In(language) + ": " + finding.found.In(language);
  if (!finding.todo.In(language).empty()) {
    line += (japanese ? " → 対処: " : " -> To do: ") + finding.todo.In(language);
  }
  return line;
}

std::string ReportHeading(const std::string& version, const std::string& time,
                          ReportLanguage language) {
  if (language == ReportLanguage::kJapanese) {
    return "cardwedge " + version + " 設置チェック (" + time + ")";
  }
  return "cardwedge " + version + " site check (" + time + ")";
}

std::string ReportSummary(int status, ReportLanguage language) {
  const bool japanese = language == ReportLanguage::kJapanese;
  switch (status) {
    case 0:
      return japanese ? "結果 0: カードの読み取りと入力を妨げるものはありません。"
                      : "Result 0: nothing stops cards from being read and typed.";
    case 1:
      return japanese ? "結果 1: 警告があります。上の対処を確かめてください。"
                      : "Result 1: warnings only; see what to do above.";
    default:
      return japanese ? "結果 2: エラーがあります。このままではカードを読めないか、入力できません。"
                      : "Result 2: an error stops cards from being read or typed; see above.";
  }
}

}  // namespace cardwedge
