#include "pcsc/apdu_console.h"
#include "pcsc_test_window.h"

namespace cardwedge {
namespace {

TEST(ApduConsoleTest, KeyFilterPassesHexDigitsInUpperCaseAndControlKeys) {
  struct Case {
    int key;
    int passed;
  };
  for (const Case& c :
       {Case{'a', 'A'}, Case{'f', 'F'}, Case{'0', '0'}, Case{'C', 'C'}, Case{8, 8}, Case{'g', 0},
        Case{'x', 0}, Case{'G', 0}, Case{'!', 0}, Case{' ', 0}, Case{200, 0}}) {
    int key = c.key;
    FilterHexKey(key);
    EXPECT_EQ(key, c.passed) << c.key;
  }
}

TEST(ApduConsoleTest, StripDataTrimsThenRemovesLineBreaksOrSpaces) {
  EXPECT_EQ(StripData(0, "  3F\r\n00  "), "3F00");
  EXPECT_EQ(StripData(0, "3F 00"), "3F 00");
  EXPECT_EQ(StripData(1, " 3F 00 "), "3F00");
  EXPECT_EQ(StripData(1, "3F\n00"), "3F\n00");
  EXPECT_EQ(StripData(1, "   "), "");
}

TEST(ApduConsoleTest, CommandsAreAssembledFromTheFields) {
  using Bytes = std::vector<std::uint8_t>;
  struct Case {
    ConsoleFields fields;
    Bytes bytes;
  };
  for (const Case& c : {
           Case{{"00", "A4", "04", "00", "02", "", "3F 00"},
                {0x00, 0xA4, 0x04, 0x00, 0x02, 0x3F, 0x00}},
           Case{{"00", "A4", "04", "00", "02", "10", "3F00"},
                {0x00, 0xA4, 0x04, 0x00, 0x02, 0x3F, 0x00, 0x10}},
           Case{{"80", "", "", "01", "02", "03", "zz"}, {0x80}},
           Case{{"80", "CA", "", "", "", "", ""}, {0x80, 0xCA}},
           Case{{"80", "", "01", "02", "", "", ""}, {0x80, 0x00, 0x01, 0x02}},
           Case{{"FF", "CA", "00", "00", "", "20", ""}, {0xFF, 0xCA, 0x00, 0x00, 0x20}},
           Case{{"FF", "CA", "00", "00", "00", "20", "zz"}, {0xFF, 0xCA, 0x00, 0x00, 0x00, 0x20}},
           Case{{"00", "A4", "04", "00", "02", "", "3F\r\n00"},
                {0x00, 0xA4, 0x04, 0x00, 0x02, 0x3F, 0x00}},
           Case{{"00", "A4", "04", "00", "02", "", "   3F00"},
                {0x00, 0xA4, 0x04, 0x00, 0x02, 0x3F, 0x00}},
           Case{{"00", "A4", "04", "00", "01", "", "3F00"}, {0x00, 0xA4, 0x04, 0x00, 0x01, 0x3F}},
           Case{{"a", "b", "c", "d", "", "", ""}, {0x0A, 0x0B, 0x0C, 0x0D}},
       }) {
    const auto assembled = AssembleConsoleCommand(c.fields);
    ASSERT_TRUE(std::holds_alternative<ConsoleCommand>(assembled)) << c.fields.Data;
    EXPECT_EQ(std::get<ConsoleCommand>(assembled), c.bytes);
  }
}

TEST(ApduConsoleTest, InputTheConsoleCannotHandleIsRefusedAtItsField) {
  struct Case {
    ConsoleFields fields;
    ConsoleRefusal refusal;
  };
  const std::string longData(100, 'A');
  for (const Case& c : {
           Case{{"", "A4", "04", "00", "", "", ""}, {"tbCLA", true}},
           Case{{"00", "A4", "04", "", "", "", ""}, {"tbP2", true}},
           Case{{"00", "A4", "04", "00", "02", "", "3F"}, {"tbData"}},
           Case{{"00", "A4", "04", "00", "32", "", std::string(99, 'A')}, {"tbData"}},
           Case{{"00", "A4", "04", "00", "01", "", longData}, {"tbData"}},
           Case{{"00", "A4", "04", "00", "02", "", "3G00"}, {"tbData"}},
           Case{{"0x", "A4", "", "", "", "", ""}, {"tbCLA"}},
           Case{{"00", "A4", "04", "00", "", "!", ""}, {"tbLe"}},
           Case{{"00", "A4", "04", "00", "2", "", "3F 0"}, {"tbData"}},
       }) {
    const auto assembled = AssembleConsoleCommand(c.fields);
    ASSERT_TRUE(std::holds_alternative<ConsoleRefusal>(assembled)) << c.fields.Data;
    EXPECT_EQ(std::get<ConsoleRefusal>(assembled), c.refusal) << c.fields.Data;
  }
}

using PcscConsoleTest = PcscWindowTest;

TEST_F(PcscConsoleTest, SendFillsTheBuffersOrRefusesWithTheFocus) {
  Open();
  Get("Frame2").SetEnabled(true);  // as while a card is connected
  Get("tbINS").TypeKeys("a4");
  Get("tbP1").TypeKeys("04x");
  Get("tbP2").TypeKeys("00");
  Get("tbLc").TypeKeys("023");
  Get("tbData").SetText("3F 00");
  form->SendLength = 99;
  Get("btnSendCommand").Click();
  EXPECT_EQ(Get("tbCLA").Text(), "00");
  EXPECT_TRUE(Get("tbCLA").HasFocus());
  EXPECT_EQ(form->SendLength, 99u);

  Get("btnSendCommand").Click();
  EXPECT_EQ(form->SendLength, 7u);
  EXPECT_EQ(std::vector<std::uint8_t>(form->SendBuffer.begin(), form->SendBuffer.begin() + 8),
            (std::vector<std::uint8_t>{0x00, 0xA4, 0x04, 0x00, 0x02, 0x3F, 0x00, 0x00}));
  EXPECT_NE(form->LastResult, kScardSuccess);  // no card is connected between reads

  Get("rbOutput").AppendText("line\n");
  Get("btnClear").Click();
  EXPECT_EQ(Output(), "");
}

TEST_F(PcscConsoleTest, SendApduChecksTheStatusWordsInMode2) {
  Open();
  Lay(kCardA);
  ASSERT_EQ(smartCard.Connect(form->ContextHandle, kReader, kScardShareShared, 3, form->CardHandle,
                              form->ActiveProtocol),
            kScardSuccess);
  struct Case {
    std::vector<std::uint8_t> response;
    bool valid;
  };
  for (const Case& c : {Case{{0x01, 0x90, 0x00}, true}, Case{{0x6A, 0x81}, false},
                        Case{{0x90}, false}, Case{{}, false}}) {
    smartCard.responseOverride = c.response;
    form->ValidResponse = false;
    form->RecvLength = 255;
    form->SendLength = 5;
    EXPECT_EQ(form->SendAPDU(2), kScardSuccess);
    EXPECT_EQ(form->ValidResponse, c.valid);
    EXPECT_EQ(form->RecvLength, c.response.size());
    EXPECT_EQ(form->IoRequest.protocol, form->ActiveProtocol);
  }
  smartCard.responseOverride = std::vector<std::uint8_t>{0x90, 0x00};
  form->ValidResponse = false;
  form->RecvLength = 255;
  EXPECT_EQ(form->SendAPDU(1), kScardSuccess);
  EXPECT_FALSE(form->ValidResponse);
}

}  // namespace
}  // namespace cardwedge
