#pragma once

#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "check/finding.h"
#include "platform/platform.h"
#include "platform/site_probes.h"
#include "roster/roster.h"

namespace cardwedge {

// The site check: the windows' own start-up without a window and without a key, each step
// reported as a finding the moment it is known.
class SiteCheck {
 public:
  using Report = std::function<void(const Finding&)>;

  SiteCheck(Platform& platform, SiteProbes& probes, Report report);
  ~SiteCheck();
  SiteCheck(const SiteCheck&) = delete;
  SiteCheck& operator=(const SiteCheck&) = delete;

  // The folder file, the roster, the sounds, both reader families, the host, the keyboard output,
  // the switch file, the log and another instance, in that order.
  void CheckSetUp();
  // Polls every reader CheckSetUp found until `seconds` have passed on the clock, and reports
  // each card laid: the reader, the identifier, the roster record and the value the window would
  // type, or why it would not. Nothing is typed.
  void WaitForCards(int seconds);

 private:
  void CheckFolderFile();
  void CheckRoster();
  void CheckSounds();
  // Both reader families; a family that cannot read is an error only when the other cannot either.
  void CheckReaders();
  std::vector<Finding> CheckFelica();
  std::vector<Finding> CheckPcsc();
  void CheckHost();
  void CheckKeyboard();
  void CheckSwitchFile();
  void CheckLog();
  void CheckInstance();

  void PollFelica();
  void PollPcscReader(const std::string& reader);
  void ReportCard(const Bilingual& reader, const std::string& cardId, bool felica);

  Platform& platform_;
  SiteProbes& probes_;
  Report report_;
  std::optional<Roster> roster_;
  bool felicaLibraryLoaded_ = false;
  bool contextHeld_ = false;
  std::intptr_t context_ = 0;
  std::vector<std::string> pcscReaders_;  // as the service names them (ANSI)
  // The card on each reader at the last poll; empty while none.
  std::string felicaCard_;
  std::map<std::string, std::string> pcscCards_;
};

}  // namespace cardwedge
