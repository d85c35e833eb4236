#include "roster/roster.h"

#include "common/utf8.h"
#include "diagnostics/diagnostics.h"

#include <string_view>

#include "roster/field_reader.h"

namespace cardwedge {
namespace {

constexpr std::size_t kMaxFolderFileBytes = std::size_t{64} * 1024;
constexpr std::size_t kMaxRosterFileBytes = std::size_t{256} * 1024 * 1024;

std::string ReadFolderFile(Files& files, const std::string& path) {
  try {
    files.CreateIfMissing(path);
    return files.ReadAll(path, kMaxFolderFileBytes);
  } catch (const FileError& error) {
    throw RosterError(std::string("Cannot read the roster folder file: ") + error.what());
  }
}

std::string ReadRosterFile(Files& files, const std::string& path) {
  try {
    return files.ReadAll(path, kMaxRosterFileBytes);
  } catch (const FileError& error) {
    throw RosterError(std::string("Cannot read the roster: ") + error.what());
  }
}

std::string Where(const std::string& path, int record, int line) {
  return "\"" + path + "\", record " + std::to_string(record) + " (line " + std::to_string(line) +
         ")";
}

constexpr std::string_view kTextOnly = "; the roster must be a text file (UTF-8 or CP932)";

// A UTF-16 export starts with its byte-order mark; read as bytes it would split into fields of
// NULs and half characters.
void RequireNoUtf16Mark(const std::string& bytes, const std::string& rosterFile) {
  if (!bytes.starts_with("\xFF\xFE") && !bytes.starts_with("\xFE\xFF")) return;
  throw RosterError("Cannot load the roster " + Where(rosterFile, 1, 1) +
                    ": it begins with a UTF-16 byte-order mark" + std::string(kTextOnly));
}

// A NUL byte never occurs in CP932 or UTF-8 text: a field the program uses that holds one comes
// from something else (a program, an image, a UTF-16 export). Unused fields may carry the NUL
// padding of fixed-width exports.
void RequireText(const std::string& field, const std::string& rosterFile, int record, int line,
                 int number) {
  if (field.find('\0') == std::string::npos) return;
  throw RosterError("Cannot load the roster " + Where(rosterFile, record, line) + ": field " +
                    std::to_string(number) + " holds a NUL byte" + std::string(kTextOnly));
}

}  // namespace

std::string ReadRosterFolder(Files& files, TextCodec& codec) {
  const std::string programFolder = files.ProgramFolder();
  const std::string folderFile = files.JoinPath(programFolder, kRosterFolderFileName);
  const std::string folder = LastField(codec.AnsiToUtf8(ReadFolderFile(files, folderFile)));
  return (folder.empty() ? programFolder : folder) + files.PathSeparator();
}

Roster LoadRoster(Files& files, TextCodec& codec) {
  Roster roster;
  roster.RosterFolder = ReadRosterFolder(files, codec);

  const std::string rosterFile = roster.RosterFolder + kRosterFileName;
  const std::string bytes = ReadRosterFile(files, rosterFile);
  RequireNoUtf16Mark(bytes, rosterFile);
  const std::string text = codec.AnsiToUtf8(bytes);
  FieldReader reader(text);
  std::string field;
  int n = 0;
  while (!reader.AtEnd()) {
    ++n;
    reader.Next(field);
    const int recordLine = reader.Line();
    if (n > kMaxRosterRecords) {
      throw RosterError("Cannot load the roster " + Where(rosterFile, n, recordLine) +
                        ": it holds more than " + std::to_string(kMaxRosterRecords) + " records");
    }
    roster.RosterValue.emplace_back();
    roster.RosterText.emplace_back();
    roster.RosterCardId.emplace_back();
    roster.RosterLine.push_back(recordLine);
    for (int number = 2; number <= kRosterFieldsPerRecord; ++number) {
      if (!reader.Next(field)) {
        throw RosterError("Cannot load the roster " + Where(rosterFile, n, recordLine) +
                          ": the file ends inside the record, after field " +
                          std::to_string(number - 1) + " of " +
                          std::to_string(kRosterFieldsPerRecord));
      }
      std::string* kept = number == 2    ? &roster.RosterValue[n]
                          : number == 3  ? &roster.RosterText[n]
                          : number == 49 ? &roster.RosterCardId[n]
                                         : nullptr;
      if (kept == nullptr) continue;
      RequireText(field, rosterFile, n, recordLine, number);
      *kept = field;
    }
  }
  roster.RosterCount = n;
  roster.Utf8 = IsValidUtf8(bytes);
  Diagnose("roster loaded: \"" + rosterFile + "\", " + std::to_string(n) + " records, " +
           (roster.Utf8 ? "UTF-8" : "ANSI code page"));
  return roster;
}

}  // namespace cardwedge
