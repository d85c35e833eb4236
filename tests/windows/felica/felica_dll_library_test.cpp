// The FeliCa library loaded at run time from a folder standing for the program's: the test
// double (its entries under plain names, and on 32-bit Windows under decorated ones) steered
// through its control folder, a folder without the library, a file that is no DLL, and a library
// without the entries.

#include "platform/windows/felica_dll_library.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "diagnostics/diagnostics.h"
#include "platform/windows/wide_text.h"
#include "windows_child_process.h"

namespace cardwedge {
namespace {

namespace fs = std::filesystem;

struct Poll {
  bool found = false;
  std::array<std::uint8_t, 8> idm{};
  std::array<std::uint8_t, 8> pmm{};
};

// One poll with the given system code and time slot; a card found must be counted.
Poll PollOnce(FelicaLibrary& library, std::array<std::uint8_t, 2> systemCode = {0xFF, 0xFF},
              std::uint8_t timeSlot = 0) {
  Poll poll;
  std::uint8_t numberOfCards = 0xEE;
  FelicaCardInfo cardInfo{.idm = &poll.idm, .pmm = &poll.pmm};
  poll.found = library.polling_and_get_card_information(
      {.systemCode = &systemCode, .timeSlot = timeSlot}, numberOfCards, cardInfo);
  if (poll.found) {
    EXPECT_EQ(numberOfCards, 1);
  }
  return poll;
}

// Polls every 100 ms, as the FeliCa window does, until a card is found or the time is up.
bool FoundWithin(FelicaLibrary& library, std::chrono::milliseconds time) {
  const auto deadline = std::chrono::steady_clock::now() + time;
  while (std::chrono::steady_clock::now() < deadline) {
    if (PollOnce(library).found) return true;
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
  }
  return false;
}

// A folder of the test's own, with the test double's control files in "control".
class FelicaDllLibraryTest : public ::testing::Test {
 protected:
  // A folder left by an earlier run (process ids repeat under Wine) is replaced.
  FelicaDllLibraryTest() {
    fs::remove_all(folder);
    fs::create_directories(folder / "control");
    SetEnvironmentVariableW(L"CARDWEDGE_FELICA_CONTROL", (folder / "control").wstring().c_str());
  }
  // The loaded library keeps its file open: the folder goes when the next run starts.
  ~FelicaDllLibraryTest() override {
    std::error_code ignored;
    fs::remove_all(folder, ignored);
  }

  void CopyDll(const std::string& doubleName) {
    fs::copy_file(fs::path(wintest::WindowsPath(CARDWEDGE_TEST_DOUBLES)) / doubleName,
                  folder / "felica_for_vb.dll");
  }
  void Control(const std::string& name, const std::string& text) {
    std::ofstream(folder / "control" / name, std::ios::binary) << text;
  }
  std::string Log() {
    std::ifstream log(folder / "control" / "log", std::ios::binary);
    return {std::istreambuf_iterator<char>(log), {}};
  }

  const fs::path folder =
      fs::temp_directory_path() / ("cardwedge-felica-" + std::to_string(GetCurrentProcessId()));
  FelicaDllLibrary library{Narrow(folder.wstring())};
};

// The library as made for a Basic host (plain names) and, on 32-bit Windows, with the stdcall
// decoration. A wrong calling convention or record layout on either side shows here: the stack
// or the fields the double reads and writes go astray.
class FelicaDllExportTest : public FelicaDllLibraryTest,
                            public ::testing::WithParamInterface<const char*> {};

TEST_P(FelicaDllExportTest, TheDoubleAnswersThroughTheRecords) {
  CopyDll(GetParam());
  Control("initialize", "fail");
  EXPECT_FALSE(library.initialize_library());
  EXPECT_EQ(library.loadError(), "");
  Control("initialize", "ok");
  EXPECT_TRUE(library.initialize_library());
  EXPECT_FALSE(PollOnce(library).found) << "the reader is not open yet";
  EXPECT_EQ(library.ReaderState(), FelicaReaderState::kReaderNotOpen);
  ASSERT_TRUE(library.open_reader_writer_auto());
  EXPECT_EQ(library.ReaderState(), FelicaReaderState::kReaderOpen);
  EXPECT_FALSE(PollOnce(library).found);

  Control("card", "012E4C3A0F10889B 0011223344556677");
  const Poll poll = PollOnce(library);
  ASSERT_TRUE(poll.found);
  EXPECT_EQ(poll.idm,
            (std::array<std::uint8_t, 8>{0x01, 0x2E, 0x4C, 0x3A, 0x0F, 0x10, 0x88, 0x9B}));
  EXPECT_EQ(poll.pmm,
            (std::array<std::uint8_t, 8>{0x00, 0x11, 0x22, 0x33, 0x44, 0x55, 0x66, 0x77}));
  EXPECT_NE(Log().find("polling_and_get_card_information system_code=FFFF time_slot=0 "
                       "idm=012E4C3A0F10889B = 1"),
            std::string::npos)
      << Log();

  // Each field of the records reaches the library, and its answers the caller, many times over.
  for (std::uint8_t slot = 1; slot <= 100; ++slot) {
    ASSERT_EQ(PollOnce(library, {0x12, slot}, slot).idm, poll.idm);
  }
  EXPECT_NE(Log().find("system_code=1264 time_slot=100 idm=012E4C3A0F10889B = 1"),
            std::string::npos);
}

// The reader maker's runtime, which the library imports, in a folder that only PATH names.
TEST_F(FelicaDllLibraryTest, RuntimeOnPath) {
  CopyDll("with_runtime/felica_for_vb.dll");
  EXPECT_FALSE(library.initialize_library());
  EXPECT_NE(library.loadError().find("error 126"), std::string::npos) << library.loadError();
  const std::wstring runtime =
      (fs::path(wintest::WindowsPath(CARDWEDGE_TEST_DOUBLES)) / "runtime").wstring();
  std::wstring path(GetEnvironmentVariableW(L"PATH", nullptr, 0), L'\0');
  path.resize(GetEnvironmentVariableW(L"PATH", path.data(), static_cast<DWORD>(path.size())));
  SetEnvironmentVariableW(L"PATH", (path + L";" + runtime).c_str());
  ASSERT_TRUE(library.initialize_library()) << library.loadError();
  ASSERT_TRUE(library.open_reader_writer_auto());
  Control("card", "012E4C3A0F10889B");
  EXPECT_TRUE(PollOnce(library).found);
}

// What the library does on open_reader_writer_auto: reopens an open reader, or refuses to open
// one it holds until close_reader_writer.
class FelicaReaderTest : public FelicaDllLibraryTest,
                         public ::testing::WithParamInterface<const char*> {
 protected:
  FelicaReaderTest() {
    SetDiagnosticsSink([this](std::string_view line) { lines.emplace_back(line); });
    CopyDll("felica_for_vb.dll");
    Control("open", GetParam());
  }
  ~FelicaReaderTest() override { SetDiagnosticsSink(nullptr); }

  std::vector<std::string> lines;
};

// A library that leaves the count alone when no card answers: an idle reader is never lost, and
// a card laid after a while is read.
TEST_P(FelicaReaderTest, CountLeftAloneWhileIdle) {
  Control("count", "untouched");
  ASSERT_TRUE(library.initialize_library());
  ASSERT_TRUE(library.open_reader_writer_auto());
  EXPECT_FALSE(FoundWithin(library, std::chrono::seconds(6)));
  Control("card", "012E4C3A0F10889B");
  EXPECT_TRUE(PollOnce(library).found);
  EXPECT_EQ(lines, std::vector<std::string>{});
}

// The PaSoRi plugged in after the start, then unplugged and plugged in again: the polls open it
// again by themselves, and a card on it is found within 2 s, with one line per change.
TEST_P(FelicaReaderTest, UnpluggedAndPluggedIn) {
  Control("reader", "unplugged");
  ASSERT_TRUE(library.initialize_library());
  EXPECT_FALSE(library.open_reader_writer_auto());
  EXPECT_FALSE(FoundWithin(library, std::chrono::milliseconds(1500)));
  Control("reader", "");
  Control("card", "012E4C3A0F10889B");
  EXPECT_TRUE(FoundWithin(library, std::chrono::seconds(2)));

  Control("card", "");
  EXPECT_FALSE(FoundWithin(library, std::chrono::milliseconds(500)));
  Control("reader", "unplugged");
  EXPECT_FALSE(FoundWithin(library, std::chrono::seconds(3)));
  Control("reader", "");
  Control("card", "012E4C3A0F10889B");
  EXPECT_TRUE(FoundWithin(library, std::chrono::seconds(2)));
  EXPECT_TRUE(FoundWithin(library, std::chrono::milliseconds(100)));
  EXPECT_EQ(lines, (std::vector<std::string>{
                       "FeliCa reader opened",
                       "FeliCa reader lost: 10 polls in a row failed with a reader error; trying "
                       "again every second",
                       "FeliCa reader found again",
                   }));
}

// A library that leaves the count alone says nothing of a PaSoRi unplugged and plugged in again:
// its dead reader finds no card until the system's device message has it opened again.
TEST_P(FelicaReaderTest, PluggedInAgainAsTheSystemTells) {
  Control("count", "untouched");
  ASSERT_TRUE(library.initialize_library());
  ASSERT_TRUE(library.open_reader_writer_auto());
  Control("reader", "unplugged");
  EXPECT_FALSE(PollOnce(library).found);
  Control("reader", "");
  Control("card", "012E4C3A0F10889B");
  EXPECT_FALSE(FoundWithin(library, std::chrono::milliseconds(1500)));
  library.DevicesChanged();
  EXPECT_TRUE(PollOnce(library).found);
}

INSTANTIATE_TEST_SUITE_P(Opens, FelicaReaderTest, ::testing::Values("", "once"),
                         [](const auto& info) {
                           return info.index == 0 ? "Reopens" : "OpensOnce";
                         });

const std::vector<const char*> kSpellings =
    sizeof(void*) == 4
        ? std::vector<const char*>{"felica_for_vb.dll", "decorated/felica_for_vb.dll"}
        : std::vector<const char*>{"felica_for_vb.dll"};
INSTANTIATE_TEST_SUITE_P(Spellings, FelicaDllExportTest, ::testing::ValuesIn(kSpellings),
                         [](const auto& info) { return info.index == 0 ? "Plain" : "Decorated"; });

// A library without close_reader_writer that refuses to open the reader it holds: a poll that
// writes the card count shows the reader working all the same.
TEST_F(FelicaDllLibraryTest, NoCloseAndAReopenRefused) {
  CopyDll("no_close/felica_for_vb.dll");
  Control("open", "once");
  ASSERT_TRUE(library.initialize_library());
  ASSERT_TRUE(library.open_reader_writer_auto());
  EXPECT_FALSE(library.open_reader_writer_auto());
  EXPECT_EQ(library.ReaderState(), FelicaReaderState::kReaderNotOpen);
  EXPECT_FALSE(PollOnce(library).found);
  EXPECT_EQ(library.ReaderState(), FelicaReaderState::kReaderOpen);
}

// A close_reader_writer that takes arguments, called before each reopen after a reader loss: the
// stack stays as it was (a 32-bit stdcall entry removes its arguments itself), and the entry
// reads zeros where its arguments would be.
TEST_F(FelicaDllLibraryTest, CloseTakingArguments) {
  if (sizeof(void*) == 8) GTEST_SKIP() << "the caller removes the arguments on x86_64";
  CopyDll("close_arguments/felica_for_vb.dll");
  ASSERT_TRUE(library.initialize_library());
  ASSERT_TRUE(library.open_reader_writer_auto());
  EXPECT_FALSE(PollOnce(library).found);
  Control("reader", "unplugged");
  EXPECT_FALSE(FoundWithin(library, std::chrono::milliseconds(2500)));
  Control("reader", "");
  Control("card", "012E4C3A0F10889B");
  EXPECT_TRUE(FoundWithin(library, std::chrono::seconds(2)));
  library.close_reader_writer();
  EXPECT_FALSE(PollOnce(library).found);
  EXPECT_NE(Log().find("close_reader_writer 0 0 = 1"), std::string::npos) << Log();
}

TEST_F(FelicaDllLibraryTest, LibraryMissing) {
  EXPECT_FALSE(library.initialize_library());
  EXPECT_NE(library.loadError().find("cannot load felica_for_vb.dll (error 126: the DLL, or one "
                                     "it needs such as the reader maker's runtime, is missing)"),
            std::string::npos)
      << library.loadError();
  EXPECT_FALSE(library.open_reader_writer_auto());
  EXPECT_FALSE(PollOnce(library).found);
  EXPECT_EQ(library.ReaderState(), FelicaReaderState::kLibraryNotLoaded);
}

// What the 64-bit program meets with the 32-bit FeliCa library beside it: a file it cannot load.
TEST_F(FelicaDllLibraryTest, NotADll) {
  std::ofstream(folder / "felica_for_vb.dll", std::ios::binary) << "not a DLL";
  EXPECT_FALSE(library.initialize_library());
  EXPECT_NE(library.loadError().find(sizeof(void*) == 8 ? "error 193: it is not a 64-bit DLL: a "
                                                          "32-bit FeliCa library needs the x86 "
                                                          "package"
                                                        : "error 193: it is not a 32-bit Windows"),
            std::string::npos)
      << library.loadError();
}

// A library of that name that is not the FeliCa library: the smart-card test double.
TEST_F(FelicaDllLibraryTest, EntriesMissing) {
  CopyDll("winscard.dll");
  EXPECT_FALSE(library.initialize_library());
  EXPECT_NE(library.loadError().find("lacks one of the entries"), std::string::npos);
  EXPECT_FALSE(library.open_reader_writer_auto());
  EXPECT_FALSE(PollOnce(library).found);
  EXPECT_EQ(Log(), "");
}

}  // namespace
}  // namespace cardwedge
