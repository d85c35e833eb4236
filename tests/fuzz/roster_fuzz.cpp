#include <fuzzer/FuzzedDataProvider.h>
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "platform/files.h"
#include "platform/linux/iconv_text_codec.h"
#include "roster/roster.h"
#include "roster/roster_faults.h"

namespace {

// The folder file and the roster file in memory: any path but the folder file's is the roster.
class TwoFiles : public cardwedge::Files {
 public:
  TwoFiles(std::string folderFile, std::string roster)
      : folderFile_(std::move(folderFile)), roster_(std::move(roster)) {}

  std::string ProgramFolder() override { return "/program"; }
  char PathSeparator() const override { return '/'; }
  bool FileExists(const std::string&) override { return true; }
  void CreateIfMissing(const std::string&) override {}
  std::string ReadAll(const std::string& path, std::size_t maxBytes) override {
    const std::string& content =
        path.ends_with(cardwedge::kRosterFolderFileName) ? folderFile_ : roster_;
    if (content.size() > maxBytes) throw cardwedge::FileError(path + ": too large");
    return content;
  }
  void Delete(const std::string&) override {}

 private:
  std::string folderFile_;
  std::string roster_;
};

}  // namespace

// Loads a roster from a fuzzed folder file and roster file, both decoded by the real codec. A
// roster either loads within its bounds or is refused with RosterError; a loaded one is checked
// for faults.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  FuzzedDataProvider input(data, size);
  std::string folderFile = input.ConsumeRandomLengthString();
  TwoFiles files(std::move(folderFile), input.ConsumeRemainingBytesAsString());
  cardwedge::IconvTextCodec codec;
  try {
    const cardwedge::Roster roster = cardwedge::LoadRoster(files, codec);
    const auto records = static_cast<std::size_t>(roster.RosterCount) + 1;
    if (roster.RosterCount < 0 || roster.RosterCount > cardwedge::kMaxRosterRecords ||
        roster.RosterValue.size() != records || roster.RosterText.size() != records ||
        roster.RosterCardId.size() != records || roster.RosterLine.size() != records ||
        !roster.RosterFolder.ends_with('/')) {
      std::abort();
    }
    // Each fault names records of the roster, and its text is one line in either language.
    for (const cardwedge::RosterFault& fault : cardwedge::FindRosterFaults(roster)) {
      if (fault.record < 0 || fault.record > roster.RosterCount || fault.otherRecord < 0 ||
          fault.otherRecord >= std::max(fault.record, 1)) {
        std::abort();
      }
      for (const auto language :
           {cardwedge::ReportLanguage::kEnglish, cardwedge::ReportLanguage::kJapanese}) {
        if (cardwedge::RosterFaultText(fault, roster, language).find('\n') != std::string::npos) {
          std::abort();
        }
      }
    }
  } catch (const cardwedge::RosterError&) {
  }
  return 0;
}
