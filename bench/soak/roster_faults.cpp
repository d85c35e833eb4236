#include "roster_faults.h"

#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>

#include "program_copy.h"
#include "roster/roster.h"

namespace cardwedge::soak {
namespace {

constexpr testbed::Duration kExitTimeout{10'000};

std::string Record(const std::string& value, const std::string& text, const std::string& id) {
  std::string line = "r";
  for (int field = 2; field <= kRosterFieldsPerRecord; ++field) {
    line += ',';
    if (field == 2) line += value;
    if (field == 3) line += text;
    if (field == 49) line += id;
  }
  return line + "\r\n";
}

std::string GoodRecord(int n) {
  return Record(std::to_string(1000 + n), "ok", "04D0" + std::to_string(n));
}

std::string FileBytes(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream bytes;
  bytes << in.rdbuf();
  return bytes.str();
}

// A roster the program must refuse, or, with loads set, one it must load.
struct BadRoster {
  const char* what;
  // Lays the roster (or the folder file) in the program copy; returns the path the report must
  // name.
  std::function<std::string(testbed::ProgramCopy&)> lay;
  // "record 3 (line 3)", or empty when no record applies.
  std::string record;
  bool loads = false;
};

// Fixed-width exports pad the fields they leave empty with NUL bytes.
std::string NulPadded(const std::string& record, int field) {
  std::size_t at = 0;
  for (int separators = 0; separators < field - 1; ++separators) at = record.find(',', at) + 1;
  return record.substr(0, at) + std::string(8, '\0') + record.substr(at);
}

std::string Utf16(const std::string& ascii) {
  std::string bytes = "\xFF\xFE";
  for (char c : ascii) bytes += std::string{c, '\0'};
  return bytes;
}

std::string LayRoster(testbed::ProgramCopy& program, const std::string& bytes) {
  program.Write(kRosterFileName, bytes);
  return program.PathOf(kRosterFileName).string();
}

const std::vector<BadRoster>& Table() {
  static const std::vector<BadRoster> table = {
      {"not a text file (an executable)",
       [](testbed::ProgramCopy& program) {
         return LayRoster(program, FileBytes(program.PathOf("cardwedge")));
       },
       "record 1 (line 1)"},
      {"a UTF-16 export",
       [](testbed::ProgramCopy& program) {
         return LayRoster(program, Utf16(GoodRecord(1) + GoodRecord(2)));
       },
       "record 1 (line 1)"},
      {"a NUL byte in field 49",
       [](testbed::ProgramCopy& program) {
         return LayRoster(
             program,
             GoodRecord(1) + Record("1002", "Sato", std::string("04\0D2", 5)) + GoodRecord(3));
       },
       "record 2 (line 2)"},
      {"NUL padding in unused fields",
       [](testbed::ProgramCopy& program) {
         return LayRoster(
             program, GoodRecord(1) + NulPadded(GoodRecord(2), 10) + NulPadded(GoodRecord(3), 50));
       },
       "3 records", true},
      {"a 1 MB line",
       [](testbed::ProgramCopy& program) {
         return LayRoster(program, GoodRecord(1) + GoodRecord(2) + std::string(1 << 20, '7'));
       },
       "record 3 (line 3)"},
      {"an unterminated quote",
       [](testbed::ProgramCopy& program) {
         return LayRoster(program,
                          GoodRecord(1) + Record("1002", "\"Sato", "04D02") + GoodRecord(3));
       },
       "record 2 (line 2)"},
      {"10,001 records",
       [](testbed::ProgramCopy& program) {
         std::string roster;
         for (int n = 1; n <= kMaxRosterRecords + 1; ++n) roster += GoodRecord(n);
         return LayRoster(program, roster);
       },
       "record 10001 (line 10001)"},
      {"a missing folder",
       [](testbed::ProgramCopy& program) {
         const std::string folder =
             "/tmp/cardwedge-soak-no-such-folder-" + std::to_string(getpid());
         program.Write(kRosterFolderFileName, folder);
         return folder + "/" + kRosterFileName;
       },
       ""},
  };
  return table;
}

// The first line of the program's output, from the last one waited for on, that holds the text.
std::optional<std::string> LineHolding(testbed::ChildProcess& process, const std::string& text) {
  return process.TryWaitForLine(
      [&text](std::string_view line) { return line.find(text) != std::string_view::npos; },
      kExitTimeout);
}

std::string Report(const testbed::ChildProcess& process) {
  std::string report;
  for (const std::string& line : process.Lines()) report += line + "\n";
  return report;
}

// Empty when the program did as it must, else what it did instead.
std::string Check(const BadRoster& bad) {
  testbed::ProgramCopy program;
  const std::string path = bad.lay(program);
  testbed::ChildProcess& process = program.Start({"1", "3"});
  if (bad.loads) {
    const std::string loaded = "roster loaded: \"" + path + "\", " + bad.record;
    return LineHolding(process, loaded) ? "" : "not loaded: " + Report(process);
  }
  const std::optional<int> status = process.Wait(kExitTimeout);
  if (!status) {
    process.Kill();
    return "still running";
  }
  // The output is read on a thread of its own: the report may arrive after the exit.
  const std::optional<std::string> report = LineHolding(process, path);
  if (!testbed::ExitedWith(status, 3)) {
    return "wait status " + std::to_string(*status) + ": " + Report(process);
  }
  if (!report || report->find(bad.record) == std::string::npos) {
    return "report: " + Report(process);
  }
  return "";
}

}  // namespace

ScenarioResult BadRosters() {
  std::string failures;
  int passed = 0;
  for (const BadRoster& bad : Table()) {
    const std::string failure = Check(bad);
    if (failure.empty()) {
      ++passed;
    } else {
      failures += "; " + std::string(bad.what) + ": " + failure;
    }
  }
  const int cases = static_cast<int>(Table().size());
  const std::string figures =
      std::to_string(passed) + " of " + std::to_string(cases) +
      " rosters as they must be: the bad ones end with status 3 naming file and record, "
      "the padded one loads" +
      failures;
  return {"bad rosters", figures, passed == cases};
}

}  // namespace cardwedge::soak
