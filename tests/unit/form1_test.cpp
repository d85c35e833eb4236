#include "startup/form1.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "diagnostics/diagnostics.h"
#include "fake_platform.h"
#include "roster/host_watch.h"
#include "roster_line.h"
#include "startup/command_line.h"

namespace cardwedge {
namespace {

class Form1Test : public ::testing::Test {
 protected:
  Form1Test() { fake.files.Write(kRosterFileName, ""); }

  StartOutcome Start(const std::string& commandLine) {
    form1 = std::make_unique<Form1>(fake.platform, fake.state);
    return form1->Form_Load(commandLine);
  }

  FakePlatform fake;
  std::unique_ptr<Form1> form1;
};

TEST_F(Form1Test, ModeWordChoosesTheWindowsAndFlagWordTheHostWatch) {
  struct Case {
    const char* commandLine;
    bool felica;
    bool pcsc;
    int processCheckOff;
  };
  for (const Case& c :
       {Case{"1 2", true, false, 1}, Case{"0 3", false, true, 0}, Case{"1 4", true, true, 1},
        Case{"2 2", true, false, 0}, Case{"1 2 7", true, false, 1}, Case{"01 2.0", true, false, 1},
        Case{"1.0 3", false, true, 1}, Case{"1 5", false, false, 1}, Case{"1 0", false, false, 1},
        Case{"", false, false, 0}}) {
    SCOPED_TRACE(c.commandLine);
    fake.state = ProgramState{};
    const StartOutcome outcome = Start(c.commandLine);
    EXPECT_EQ(outcome, c.felica || c.pcsc ? StartOutcome::kWindowsOpen : StartOutcome::kNoWindow);
    EXPECT_EQ(form1->felicaForm() != nullptr, c.felica);
    EXPECT_EQ(form1->pcscForm() != nullptr, c.pcsc);
    if (c.felica) {
      EXPECT_TRUE(fake.toolkit.window("FelicaForm1").shown());
    }
    if (c.pcsc) {
      EXPECT_TRUE(fake.toolkit.window("PCSCfrm").shown());
    }
    EXPECT_EQ(fake.state.ProcessCheckOff, c.processCheckOff);
  }
}

TEST_F(Form1Test, MalformedCommandLinesNameTheWordAndOpenNothing) {
  struct Case {
    const char* commandLine;
    const char* mentions;
  };
  for (const Case& c : {Case{"2", "missing"}, Case{"x 2", "\"x\""}, Case{"1 x", "\"x\""},
                        Case{"1  2", "\"\" (word 2)"}, Case{" ", "\"\" (word 1)"}}) {
    SCOPED_TRACE(c.commandLine);
    try {
      Start(c.commandLine);
      ADD_FAILURE() << "accepted";
    } catch (const CommandLineError& error) {
      EXPECT_NE(std::string(error.what()).find(c.mentions), std::string::npos) << error.what();
    }
    EXPECT_TRUE(fake.toolkit.WindowNames().empty());
  }
}

TEST_F(Form1Test, AnotherInstanceEndsTheStartWithoutReadingTheCommandLine) {
  fake.guard.anotherRunning = true;
  EXPECT_EQ(Start("x"), StartOutcome::kAnotherInstanceRuns);
  EXPECT_TRUE(fake.toolkit.WindowNames().empty());
}

TEST_F(Form1Test, RosterFailureStopsBeforeAnyWindowIsShown) {
  fake.files.Remove(kRosterFileName);
  EXPECT_THROW(Start("1 4"), RosterError);
  for (const std::string& name : fake.toolkit.WindowNames()) {
    EXPECT_FALSE(fake.toolkit.window(name).shown()) << name;
  }
}

// The roster goes between the two windows' loads: the FeliCa window, loaded, must not read and
// type cards while the error box waits.
TEST_F(Form1Test, SecondWindowFailingToLoadClosesTheFirstWithItsTimers) {
  fake.toolkit.onOpenWindow = [this](const WindowDeclaration& declaration) {
    if (declaration.name == "PCSCfrm") fake.files.Remove(kRosterFileName);
  };
  EXPECT_THROW(Start("1 4"), RosterError);
  EXPECT_EQ(form1->felicaForm(), nullptr);
  EXPECT_TRUE(fake.toolkit.TimerNames().empty());
  EXPECT_TRUE(fake.toolkit.WindowNames().empty());
}

TEST_F(Form1Test, HostCheckOfEitherWindowEndsTheProgramWithoutTheHostUnlessTheFlagIsOne) {
  struct Case {
    const char* commandLine;
    bool hostRunning;
    bool ends;
  };
  for (const char* timer : {"PasoriTimer2", "Timer3"}) {
    for (const Case& c :
         {Case{"0 4", false, true}, Case{"1 4", false, false}, Case{"0 4", true, false}}) {
      SCOPED_TRACE(std::string(timer) + " after \"" + c.commandLine + "\"");
      fake.state = ProgramState{};
      fake.processes.running.clear();
      if (c.hostRunning) fake.processes.running.insert(kHostProcessName);
      Start(c.commandLine);
      if (c.ends) {
        EXPECT_THROW(fake.toolkit.Tick(timer), ProgramEnded);
      } else {
        EXPECT_NO_THROW(fake.toolkit.Tick(timer));
      }
    }
  }
}

// Both windows load the same roster in mode 4; its faults are logged once.
TEST_F(Form1Test, BothWindowsLoadingOneRosterLogItsFaultsOnce) {
  fake.files.Write(kRosterFileName, RosterLine("0", "A", "0101010101010101"));
  std::vector<std::string> lines;
  SetDiagnosticsSink([&](std::string_view line) { lines.emplace_back(line); });
  Start("1 4");
  SetDiagnosticsSink(nullptr);
  EXPECT_EQ(std::ranges::count_if(
                lines, [](const std::string& line) { return line.starts_with("roster error: "); }),
            1);
}

// Each window's typing flag is up exactly while it types: a FeliCa tick that runs inside the
// PC/SC window's typing (at its yield) sees the PC/SC flag up, one before or after it does not,
// and the FeliCa window's own flag is up whenever its keys go out.
TEST_F(Form1Test, EachWindowRaisesItsTypingFlagWhileItTypes) {
  fake.files.Write(kRosterFileName, RosterLine("101", "A", "0101010101010101") +
                                        RosterLine("102", "B", "0202020202020202") +
                                        RosterLine("103", "C", "0303030303030303") +
                                        RosterLine("222", "P", "04A22B1A"));
  Start("1 4");
  struct Sent {
    std::string typed;
    int felicaTyping;
    int pcscTyping;
    bool operator==(const Sent&) const = default;
  };
  std::vector<Sent> sent;
  fake.keyboard.onSend = [&] {
    sent.push_back({fake.keyboard.TypedText(), fake.state.FelicaTyping, fake.state.PcscTyping});
  };
  std::uint8_t felicaCard = 0;
  fake.toolkit.onDoEvents = [&] {
    if (felicaCard == 3) return;
    ++felicaCard;
    fake.felica.idm.emplace();
    fake.felica.idm->fill(felicaCard);
    fake.clock.now += 0.1;
    fake.toolkit.Tick("PasoriTimer1");
  };
  fake.smartCard.cards["Virtual PCD 00 00"] = {0x04, 0xA2, 0x2B, 0x1A};
  fake.toolkit.Tick("Timer1");
  fake.toolkit.Tick("EndReadTimer");
  EXPECT_EQ(sent, (std::vector<Sent>{{"101\n", 1, 0},
                                     {"101\n102\n", 1, 1},
                                     {"101\n102\n222\n", 0, 1},
                                     {"101\n102\n222\n103\n", 1, 0}}));
  EXPECT_EQ(fake.state.FelicaTyping + fake.state.PcscTyping, 0);
}

TEST(SplitCommandLine, SplitsAtEverySingleSpace) {
  EXPECT_EQ(SplitCommandLine(""), std::vector<std::string>{});
  EXPECT_EQ(SplitCommandLine("1 2"), (std::vector<std::string>{"1", "2"}));
  EXPECT_EQ(SplitCommandLine("1  2 "), (std::vector<std::string>{"1", "", "2", ""}));
}

}  // namespace
}  // namespace cardwedge
