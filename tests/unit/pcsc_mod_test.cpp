#include "pcsc/pcsc_mod.h"

#include <gtest/gtest.h>

#include "fake_toolkit.h"

namespace cardwedge {
namespace {

TEST(FillReaderList, TakesTheNamesUpToTheEmptyName) {
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

TEST(ChooseReader, PrefersTheFirstAcr122uElseTheLast) {
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

}  // namespace
}  // namespace cardwedge
