#include "pcsc/pcsc_mod.h"
#include "pcsc_test_window.h"

namespace cardwedge {
namespace {

TEST(PcscModTest, FillReaderListTakesTheNamesUpToTheEmptyName) {
  FakeControl combo({.kind = ControlKind::kComboBox, .name = "cbReader"});
  combo.AddItem("old");
  struct Case {
    std::string multiString;
    std::vector<std::string> names;
  };
  for (const Case& c :
       {Case{std::string("A\0B 01\0\0junk\0", 14), {"A", "B 01"}}, Case{std::string("\0\0", 2), {}},
        Case{"", {}}, Case{std::string("Only\0", 5), {"Only"}}, Case{"No end", {"No end"}}}) {
    FillReaderList(combo, c.multiString);
    std::vector<std::string> items;
    for (int i = 0; i < combo.ItemCount(); ++i) items.push_back(combo.ItemText(i));
    EXPECT_EQ(items, c.names);
  }
}

TEST(PcscModTest, ReaderChoicePrefersTheFirstAcr122uElseTheLast) {
  struct Case {
    std::vector<std::string> readers;
    int chosen;
  };
  for (const Case& c : {Case{{"Any Reader"}, 0}, Case{{"Other 00", "ACS ACR122U PICC 01"}, 1},
                        Case{{"ACR122U A", "ACR122U B", "C"}, 0}, Case{{"R1", "R2", "R3"}, 2},
                        Case{{"acs acr122u", "Other"}, 1}, Case{{}, -1}}) {
    EXPECT_EQ(ChooseReader(c.readers), c.chosen) << ::testing::PrintToString(c.readers);
  }
}

using PcscWindowStartTest = PcscWindowTest;

TEST_F(PcscWindowStartTest, OpensAtItsDesignedSizeWithOnlyCaptionLabelsAndOutputInView) {
  const WindowDeclaration declaration = PCSCfrm::Declaration();
  EXPECT_EQ(declaration.clientWidth, 7365);
  EXPECT_EQ(declaration.clientHeight, 2280);
  std::map<std::string, Rect> absolute;
  for (const ControlDeclaration& control : declaration.controls) {
    Rect r = control.bounds;
    if (!control.parent.empty()) {
      r.left += absolute.at(control.parent).left;
      r.top += absolute.at(control.parent).top;
    }
    absolute[control.name] = r;
    const bool inView = r.left < declaration.clientWidth && r.top < declaration.clientHeight;
    const bool meantInView = control.name == "Picture2" || control.name == "PasoriLabel1" ||
                             control.name == "PCSCLabel2" || control.name == "PCSCLabel5" ||
                             control.name == "rbOutput";
    EXPECT_EQ(inView, meantInView) << control.name;
  }
  EXPECT_EQ(absolute.at("rbOutput").top, 1890);
  EXPECT_EQ(absolute.at("Picture1").top, 4185);
  EXPECT_EQ(absolute.at("Command1").left, 9225);
}

TEST_F(PcscWindowStartTest, LoadListsTheReadersChoosesOneAndStartsThePoll) {
  smartCard.readers = {"Virtual PCD 00 00", "ACS ACR122U 00 00", "Virtual PCD 00 01"};
  Open();
  EXPECT_EQ(Get("cbReader").Text(), "ACS ACR122U 00 00");
  EXPECT_EQ(Get("cbReader").ItemCount(), 3);
  EXPECT_TRUE(fake.toolkit.timer("Timer1").Enabled());
  EXPECT_FALSE(Get("btnConnect").Enabled());
  EXPECT_FALSE(Get("Frame1").Enabled());
  EXPECT_FALSE(Get("Frame2").Enabled());
  Lay(kCardA);
  smartCard.cards["ACS ACR122U 00 00"] = kCardB;
  Poll();
  EXPECT_EQ(smartCard.connectedReaders, std::vector<std::string>{"ACS ACR122U 00 00"});
}

TEST_F(PcscWindowStartTest, InitializeReleasesTheContextItHolds) {
  Open();
  Get("btnInit").Click();
  Get("btnInit").Click();
  EXPECT_EQ(smartCard.openContexts.size(), 1u);
  EXPECT_EQ(smartCard.establishCalls, 3);
}

TEST_F(PcscWindowStartTest, ResetReleasesTheContextAndEmptiesTheConsole) {
  Open();
  Present(kCardA);
  Get("tbCLA").SetText("00");
  Get("btnReset").Click();
  EXPECT_TRUE(smartCard.openContexts.empty());
  EXPECT_EQ(Get("tbCLA").Text(), "");
  EXPECT_EQ(Get("cbReader").Text(), "");
  EXPECT_FALSE(Get("Frame2").Enabled());
  EXPECT_TRUE(Get("btnInit").Enabled());
}

TEST_F(PcscWindowStartTest, QuitReleasesAndEndsTheProgram) {
  Open();
  EXPECT_THROW(Get("btnQuit").Click(), ProgramEnded);
  EXPECT_TRUE(smartCard.openContexts.empty());
  EXPECT_THROW(fake.toolkit.window("PCSCfrm").Close(), ProgramEnded);
}

TEST_F(PcscWindowStartTest, ReaderBusyFollowsTheInUseAndMuteBits) {
  Open();
  struct Case {
    std::uint32_t eventState;
    const char* busy;
  };
  for (const Case& c :
       {Case{0x100, "1"}, Case{0x200, "1"}, Case{0x322, "1"}, Case{0x10, "0"}, Case{0x20, "0"},
        Case{0x4, "0"}, Case{0x40, "0"}, Case{0x80, "0"}, Case{0x00010020, "0"}}) {
    smartCard.eventState = c.eventState;
    Poll();
    EXPECT_EQ(Get("Text1").Text(), c.busy) << std::hex << c.eventState;
  }
  // A failed query still reports from the record it left.
  smartCard.statusChangeResult = 0x80100001;
  smartCard.eventState = 0x200;
  form->PcscInfo();
  EXPECT_EQ(form->LastResult, 0x80100001u);
  EXPECT_EQ(form->ReaderBusy, 1);
}

}  // namespace
}  // namespace cardwedge
