#include "check/check_command.h"

#include <chrono>
#include <cstdio>

#include "check/check_report.h"
#include "check/site_check.h"
#include "diagnostics/diagnostics.h"
#include "diagnostics/diagnostics_log.h"
#include "diagnostics/log_file.h"

namespace cardwedge {
namespace {

#ifdef _WIN32
constexpr bool kReportToFile = true;
constexpr char kLineEnd[] = "\r\n";
// Notepad reads a UTF-8 file without this mark as the ANSI code page on older Windows.
constexpr char kUtf8Mark[] = "\xEF\xBB\xBF";
#else
constexpr bool kReportToFile = false;
constexpr char kLineEnd[] = "\n";
constexpr char kUtf8Mark[] = "";
#endif

// Replaces the report file with the text; false, with a diagnostics line, when it cannot.
bool WriteReportFile(Platform& platform, LogFiles& logFiles, const std::string& path,
                     const std::string& text) {
  try {
    platform.files.Delete(path);
  } catch (const FileError&) {
    // A file that is not there yet; one that cannot be deleted refuses the write below.
  }
  try {
    logFiles.Append(path, text);
    return true;
  } catch (const FileError& error) {
    Diagnose(std::string("the check's report cannot be written: ") + error.what());
    return false;
  }
}

}  // namespace

int RunSiteCheck(Platform& platform, SiteProbes& probes, int waitSeconds,
                 const std::string& version) {
  const ReportLanguage language =
      probes.JapaneseUser() ? ReportLanguage::kJapanese : ReportLanguage::kEnglish;
  std::string text = kUtf8Mark;
  const auto add = [&text](const std::string& line) {
    if (kReportToFile) {
      text += line + kLineEnd;
    } else {
      std::fputs((line + kLineEnd).c_str(), stdout);
      std::fflush(stdout);
    }
  };
  add(ReportHeading(version, LocalTimeStamp(std::chrono::system_clock::now()), language));
  bool anyWarning = false;
  bool anyError = false;
  SiteCheck check(platform, probes, [&](const Finding& finding) {
    anyWarning = anyWarning || finding.level == FindingLevel::kWarning;
    anyError = anyError || finding.level == FindingLevel::kError;
    add(FindingLine(finding, language));
  });
  check.CheckSetUp();
  check.WaitForCards(waitSeconds);
  const int status = CheckExitStatus(anyWarning, anyError);
  add(ReportSummary(status, language));
  if (!kReportToFile) return status;

  Files& files = platform.files;
  const std::string path = ChooseOutputPath(
      probes.logFiles(), files.JoinPath(files.ProgramFolder(), kCheckReportFileName),
      kCheckReportFileName);
  if (!WriteReportFile(platform, probes.logFiles(), path, text)) return 2;
  std::fputs((path + "\n").c_str(), stdout);
  std::fflush(stdout);
  return status;
}

}  // namespace cardwedge
