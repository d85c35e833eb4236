#include "roster/roster.h"

#include <gtest/gtest.h>

#include <string>

#include "fake_services.h"
#include "roster_line.h"

namespace cardwedge {
namespace {

class RosterTest : public ::testing::Test {
 protected:
  Roster Load() { return LoadRoster(files, codec); }
  // The message of the error the load raises; empty when it loads.
  std::string LoadError() {
    try {
      Load();
    } catch (const RosterError& error) {
      return error.what();
    }
    return "";
  }
  void WriteRoster(const std::string& content) { files.Write(kRosterFileName, content); }

  FakeFiles files;
  PassThroughTextCodec codec;
};

TEST_F(RosterTest, MissingFolderFileIsCreatedAndTheProgramFolderUsed) {
  WriteRoster(RosterLine("00123", "Sato", "0102030405060708"));
  const Roster roster = Load();
  EXPECT_TRUE(files.Exists(kRosterFolderFileName));
  EXPECT_EQ(files.Read(kRosterFolderFileName), "");
  EXPECT_EQ(roster.RosterFolder, FakeFiles::kFolder + "/");
  ASSERT_EQ(roster.RosterCount, 1);
  EXPECT_EQ(roster.RosterValue[1], "00123");
  EXPECT_EQ(roster.RosterText[1], "Sato");
  EXPECT_EQ(roster.RosterCardId[1], "0102030405060708");
}

TEST_F(RosterTest, LastFieldOfTheFolderFileNamesTheFolderAndASeparatorIsAlwaysAppended) {
  files.Write("b/" + std::string(kRosterFileName), RosterLine("2", "B", "bb"));
  const std::string b = FakeFiles::PathOf("b");
  files.Write(kRosterFolderFileName, "/nowhere/a\r\n" + b + "\r\n");
  EXPECT_EQ(Load().RosterValue[1], "2");

  files.Write(kRosterFolderFileName, "/nowhere," + b);
  EXPECT_EQ(Load().RosterFolder, b + "/");

  // A folder that already ends with the separator gets a second one, which the path tolerates.
  files.Write(kRosterFolderFileName, b + "/");
  EXPECT_EQ(Load().RosterFolder, b + "//");

  // Quoted, a comma belongs to the folder name.
  files.Write("c,d/" + std::string(kRosterFileName), RosterLine("3", "C", "cc"));
  files.Write(kRosterFolderFileName, "\"" + FakeFiles::PathOf("c,d") + "\"");
  EXPECT_EQ(Load().RosterValue[1], "3");
}

TEST_F(RosterTest, RecordsAreFiftyFieldsWhateverTheLinesSay) {
  // The first line is a header and loads as record 1; a 49-field line pulls the next line's
  // first field in as its field 50, so every later field shifts by one.
  WriteRoster(RosterLine("value", "text", "card") + RosterLine("1", "A", "aa", 49) +
              RosterLine("2", "B", "bb") + "tail\r\n");
  const Roster roster = Load();
  ASSERT_EQ(roster.RosterCount, 3);
  EXPECT_EQ(roster.RosterValue[1], "value");
  EXPECT_EQ(roster.RosterCardId[2], "aa");
  EXPECT_EQ(roster.RosterValue[3], "B");
  EXPECT_EQ(roster.RosterText[3], "");
}

TEST_F(RosterTest, TextsAreKeptExactlyAndBlankLinesSkipped) {
  WriteRoster("\r\n" + RosterLine("\"0012\"", "\" Ito, Ken \"", "x") + "\r\n\r\n" +
              RosterLine("0012", "Ono", "y"));
  const Roster roster = Load();
  ASSERT_EQ(roster.RosterCount, 2);
  EXPECT_EQ(roster.RosterValue[1], "0012");
  EXPECT_EQ(roster.RosterText[1], " Ito, Ken ");
  EXPECT_EQ(roster.RosterValue[2], "0012");
}

TEST_F(RosterTest, EmptyRosterLoadsNoRecord) {
  WriteRoster("");
  EXPECT_EQ(Load().RosterCount, 0);
}

TEST_F(RosterTest, TenThousandRecordsLoadAndTheNextIsRefusedWithItsNumber) {
  std::string content;
  for (int i = 1; i <= kMaxRosterRecords; ++i) content += RosterLine(std::to_string(i), "t", "c");
  WriteRoster(content);
  const Roster roster = Load();
  EXPECT_EQ(roster.RosterCount, 10000);
  EXPECT_EQ(roster.RosterValue[10000], "10000");

  WriteRoster(content + RosterLine("10001", "t", "c"));
  const std::string error = LoadError();
  EXPECT_NE(error.find("record 10001 (line 10001)"), std::string::npos) << error;
  EXPECT_NE(error.find(kRosterFileName), std::string::npos) << error;
}

TEST_F(RosterTest, LoadFailuresNameTheFileAndTheProblem) {
  EXPECT_NE(LoadError().find(kRosterFileName), std::string::npos);
  WriteRoster(RosterLine("1", "A", "a") + "r,2,B\r\n");
  EXPECT_NE(LoadError().find("record 2 (line 2)"), std::string::npos) << LoadError();
  files.MakeFolder(kRosterFolderFileName);
  EXPECT_NE(LoadError(), "");
}

// Fixed-width exports pad unused fields with NUL bytes and load; a NUL in a field the program
// uses, or a UTF-16 file, is refused with the file and the record named.
TEST_F(RosterTest, NulBytesAreRefusedOnlyInTheFieldsThatAreUsed) {
  const std::string nul = std::string("x") + '\0' + "y";
  for (const int field : {1, 10, 50, 2, 3, 49}) {
    std::string record = "r";
    for (int number = 2; number <= kRosterFieldsPerRecord; ++number) {
      record += "," + (number == field ? nul : number == 2 ? "7" : "");
    }
    if (field == 1) record = nul + record.substr(1);
    WriteRoster(RosterLine("1", "A", "a") + record + "\r\n");
    const std::string error = LoadError();
    if (field == 1 || field == 10 || field == 50) {
      EXPECT_EQ(error, "") << "field " << field;
      EXPECT_EQ(Load().RosterValue[2], "7");
    } else {
      EXPECT_NE(error.find(FakeFiles::PathOf(kRosterFileName) + "\", record 2 (line 2): field " +
                           std::to_string(field) + " holds a NUL byte"),
                std::string::npos)
          << error;
    }
  }
  WriteRoster(std::string("\xFF\xFEr\0,\0", 6));
  EXPECT_NE(LoadError().find(FakeFiles::PathOf(kRosterFileName) +
                             "\", record 1 (line 1): it begins with a UTF-16 byte-order mark"),
            std::string::npos)
      << LoadError();
}

}  // namespace
}  // namespace cardwedge
