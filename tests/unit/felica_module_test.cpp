#include "felica/module_felica.h"

#include <gtest/gtest.h>

#include <array>
#include <stdexcept>

#include "fake_felica_library.h"

namespace cardwedge {
namespace {

TEST(BytesToHexString, TwoUpperCaseDigitsPerByteInOrder) {
  ModuleFelica module;
  const std::array<std::uint8_t, 8> idm{0x01, 0x2E, 0x4C, 0x3A, 0x0F, 0x10, 0x88, 0x9B};
  module.BytesToHexString("", idm, 0);
  EXPECT_EQ(module.FelicaMessage, "012E4C3A0F10889B");

  module.BytesToHexString("", std::array<std::uint8_t, 8>{}, 0);
  EXPECT_EQ(module.FelicaMessage, "0000000000000000");
  std::array<std::uint8_t, 8> ones;
  ones.fill(0xFF);
  module.BytesToHexString("", ones, 0);
  EXPECT_EQ(module.FelicaMessage, "FFFFFFFFFFFFFFFF");

  // A count converts the first bytes only; the prefix comes first.
  module.BytesToHexString("IDm:", idm, 3);
  EXPECT_EQ(module.FelicaMessage, "IDm:012E4C");
  EXPECT_THROW(module.BytesToHexString("", idm, 9), std::out_of_range);
  EXPECT_EQ(module.FelicaMessage, "IDm:012E4C");
}

TEST(ComposeMessage, AppendsTheExtraValueWhenThereIsOne) {
  ModuleFelica module;
  module.ComposeMessage("abc");
  EXPECT_EQ(module.FelicaMessage, "abc");
  module.ComposeMessage("abc", "3");
  EXPECT_EQ(module.FelicaMessage, "abc3");
}

TEST(OpenFelicaReader, OpensTheReaderEvenWhenTheLibraryFailsAndKeepsTheLastFailure) {
  struct Case {
    bool initializeSucceeds;
    bool openSucceeds;
    const char* message;
  };
  for (const Case& c :
       {Case{true, true, ""}, Case{false, true, kCantInitializeLibrary},
        Case{true, false, kCantOpenReaderWriter}, Case{false, false, kCantOpenReaderWriter}}) {
    FakeFelicaLibrary library;
    library.initializeSucceeds = c.initializeSucceeds;
    library.openSucceeds = c.openSucceeds;
    ModuleFelica module;
    module.OpenFelicaReader(library);
    EXPECT_EQ(library.initializeCalls, 1);
    EXPECT_EQ(library.openCalls, 1);
    EXPECT_EQ(module.FelicaMessage, c.message);
  }
}

}  // namespace
}  // namespace cardwedge
