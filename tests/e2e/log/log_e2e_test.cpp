// The real program writes its state changes, time-stamped, into cardwedge.log beside it, also
// when the launcher that read its stderr has gone.

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include "program_copy.h"
#include "testbed.h"

namespace cardwedge::testbed {
namespace {

namespace fs = std::filesystem;

std::string Read(const fs::path& path) {
  std::ifstream file(path, std::ios::binary);
  std::ostringstream text;
  text << file.rdbuf();
  return text.str();
}

TEST(LogE2eTest, StateChangesReachTheLogFileWhileStderrIsAPipeNobodyReads) {
  ProgramCopy program;
  // The program runs with stderr a pipe whose reader has already ended.
  fs::rename(program.PathOf("cardwedge"), program.PathOf("cardwedge.bin"));
  program.Write("cardwedge",
                "#!/bin/bash\n"
                "exec {gone}> >(:)\n"
                "wait $!\n"
                "exec \"$0.bin\" \"$@\" 2>&$gone\n");
  fs::permissions(program.PathOf("cardwedge"), fs::perms::owner_all);
  const fs::path log = program.PathOf("cardwedge.log");

  ChildProcess& process = program.Start({"1", "2"});
  ASSERT_TRUE(program.WaitUntilRunning()) << Read(log);
  ASSERT_TRUE(WaitUntil([&] { return Read(log).find("FeliCa reader") != std::string::npos; },
                        kStartTimeout));
  program.Write("名簿画面sw.txt", "9");
  EXPECT_TRUE(ExitedWith(process.Wait(kStartTimeout), 0));

  // The last line, written just before the program ended at once, is there too.
  const std::string stamp = R"(\d{4}-\d\d-\d\d \d\d:\d\d:\d\d\.\d{3} )";
  EXPECT_TRUE(std::regex_match(
      Read(log), std::regex(stamp + "FeliCa reader not opened: .*\n(" + stamp + ".*\n)*" + stamp +
                            "the switch file says 9: ending\n")))
      << Read(log);
}

// A program folder this user may not write (here a folder in the log's place): the log goes to
// $XDG_STATE_HOME/cardwedge/, and the first line on stderr and in the log says so.
TEST(LogE2eTest, AProgramFolderThatCannotBeWrittenMovesTheLogToTheUsersStateFolder) {
  ProgramCopy program;
  fs::create_directory(program.PathOf("cardwedge.log"));
  const fs::path state = program.PathOf("state");
  ChildProcess& process = program.Start({"1", "2"}, {{"XDG_STATE_HOME", state.string()}});
  ASSERT_TRUE(program.WaitUntilRunning());
  program.Write("名簿画面sw.txt", "9");
  EXPECT_TRUE(ExitedWith(process.Wait(kStartTimeout), 0));

  const fs::path log = state / "cardwedge" / "cardwedge.log";
  const std::string where =
      "the program's folder cannot be written: the log is \"" + log.string() + "\"";
  const std::vector<std::string> lines = process.Lines();
  EXPECT_EQ(
      std::ranges::count_if(
          lines, [&](const std::string& line) { return line.ends_with("cardwedge: " + where); }),
      1);
  const std::string text = Read(log);
  EXPECT_EQ(text.substr(0, text.find('\n')).substr(24), where) << text;
  EXPECT_TRUE(text.ends_with(" the switch file says 9: ending\n")) << text;
}

// The roster's faults go to the log when the window loads it, one line each after the count.
TEST(LogE2eTest, TheRostersFaultsAreLoggedAtStart) {
  ProgramCopy program;
  std::string record = "r,12.5,Sato";
  for (int field = 4; field <= 50; ++field) record += field == 49 ? ",012e4c3a0f10889b" : ",";
  program.Write("メールデータ2.csv", record + "\r\n");
  const fs::path log = program.PathOf("cardwedge.log");
  ChildProcess& process = program.Start({"1", "2"});
  ASSERT_TRUE(program.WaitUntilRunning()) << Read(log);
  ASSERT_TRUE(WaitUntil(
      [&] {
        return Read(log).find("roster: 2 faults (2 errors, 0 warnings)") != std::string::npos;
      },
      kStartTimeout))
      << Read(log);
  EXPECT_NE(Read(log).find(" roster error: record 1 (line 1): no card gives the card identifier "
                           "\"012e4c3a0f10889b\""),
            std::string::npos)
      << Read(log);
  program.Write("名簿画面sw.txt", "9");
  EXPECT_TRUE(ExitedWith(process.Wait(kStartTimeout), 0));
}

}  // namespace
}  // namespace cardwedge::testbed
