// The wide-character files, the ANSI code page codec under the roster loader, the sound's request
// and the clock, on real files in a folder that stands for the program's.

#include <gtest/gtest.h>
#include <windows.h>
// After windows.h: WIN32_LEAN_AND_MEAN leaves the multimedia declarations out.
#include <mmsystem.h>

#include <ctime>
#include <filesystem>
#include <fstream>
#include <string>

#include "fake_platform.h"
#include "platform/windows/ansi_text_codec.h"
#include "platform/windows/local_clock.h"
#include "platform/windows/playsound_sound.h"
#include "platform/windows/wide_text.h"
#include "platform/windows/win32_files.h"
#include "roster/host_watch.h"
#include "roster/roster.h"
#include "roster_line.h"

namespace cardwedge {
namespace {

namespace fs = std::filesystem;

// Real files in a folder of the test's own, named in Japanese, standing for the program's folder.
class FolderFiles : public Win32Files {
 public:
  FolderFiles() {
    fs::remove_all(folder_);
    fs::create_directories(folder_);
  }
  ~FolderFiles() override { fs::remove_all(folder_); }
  std::string ProgramFolder() override { return Narrow(folder_.wstring()); }

  std::string PathOf(const std::string& name) { return JoinPath(ProgramFolder(), name); }
  void Write(const std::string& name, const std::string& bytes) {
    std::ofstream(fs::path(Widen(PathOf(name))), std::ios::binary) << bytes;
  }

 private:
  const fs::path folder_ =
      fs::temp_directory_path() / (L"名簿フォルダ-" + std::to_wstring(GetCurrentProcessId()));
};

TEST(AnsiTextCodecTest, Cp932AndUtf8RostersGiveTheSameText) {
  ASSERT_EQ(GetACP(), 932u) << "the test needs the Japanese ANSI code page";
  FolderFiles files;
  AnsiTextCodec codec;
  // "佐藤表" in CP932 (表 ends with a backslash byte) and in UTF-8.
  files.Write(kRosterFileName, RosterLine("1", "\x8D\xB2\x93\xA1\x95\x5C", "c"));
  EXPECT_EQ(LoadRoster(files, codec).RosterText[1], "佐藤表");
  files.Write(kRosterFileName, RosterLine("1", "佐藤表", "c"));
  EXPECT_EQ(LoadRoster(files, codec).RosterText[1], "佐藤表");
  EXPECT_EQ(codec.Utf8ToAnsi("佐藤表 A"), "\x8D\xB2\x93\xA1\x95\x5C A");
}

TEST(Win32FilesTest, FileExistsFindsOnlyPlainVisibleFiles) {
  FolderFiles files;
  for (const char* name : {"plain.wav", "hidden.wav", "system.wav"}) files.Write(name, "RIFF");
  SetFileAttributesW(Widen(files.PathOf("hidden.wav")).c_str(), FILE_ATTRIBUTE_HIDDEN);
  SetFileAttributesW(Widen(files.PathOf("system.wav")).c_str(), FILE_ATTRIBUTE_SYSTEM);
  CreateDirectoryW(Widen(files.PathOf("folder.wav")).c_str(), nullptr);
  const struct {
    std::string path;
    bool exists;
  } cases[] = {
      {files.PathOf("plain.wav"), true},
      {files.PathOf("PLAIN.WAV"), true},
      {files.PathOf("hidden.wav"), false},
      {files.PathOf("system.wav"), false},
      {files.PathOf("folder.wav"), false},
      {files.PathOf("missing.wav"), false},
      {files.PathOf("*.wav"), false},
      {"Q:\\no\\such\\drive\\plain.wav", false},
      {"", false},
  };
  for (const auto& c : cases) EXPECT_EQ(files.FileExists(c.path), c.exists) << c.path;
}

TEST(Win32FilesTest, CreateReadAndDeleteWithClearErrors) {
  FolderFiles files;
  const std::string sw = files.PathOf("名簿画面sw.txt");
  files.CreateIfMissing(sw);
  EXPECT_EQ(files.ReadAll(sw, 10), "");
  files.Write("名簿画面sw.txt", "8\r\n0");
  files.CreateIfMissing(sw);
  EXPECT_EQ(files.ReadAll(sw, 10), "8\r\n0");
  EXPECT_THROW(files.ReadAll(sw, 3), FileError);

  files.Delete(sw);
  EXPECT_FALSE(files.FileExists(sw));
  try {
    files.ReadAll(sw, 10);
    ADD_FAILURE() << "a missing file was read";
  } catch (const FileError& error) {
    EXPECT_NE(std::string(error.what()).find("名簿画面sw.txt\": cannot be opened: "),
              std::string::npos)
        << error.what();
  }
  EXPECT_THROW(files.Delete(sw), FileError);
  EXPECT_THROW(files.CreateIfMissing(files.PathOf("no folder\\sw.txt")), FileError);
}

// Many Basic-language runtimes write a file holding it against other writers until they close it.
TEST(Win32FilesTest, ASwitchFileTheHostHoldsAgainstWritersIsStillRead) {
  FolderFiles files;
  const std::wstring path = Widen(files.PathOf(kSwitchFileName));
  const HANDLE host = CreateFileW(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                                  CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(host, INVALID_HANDLE_VALUE);
  DWORD written = 0;
  ASSERT_TRUE(WriteFile(host, "1", 1, &written, nullptr));

  FakePlatform fake;
  Platform platform{fake.toolkit,   files,      fake.clock, fake.keyboard,  fake.sound,
                    fake.processes, fake.guard, fake.codec, fake.smartCard, fake.felica};
  HostWatch watch(platform, fake.state.ProcessCheckOff, SwitchReading::kWholeNumber, "FeliCa");
  int readMode = kLookupMode;
  watch.SwitchFileTick(readMode);
  EXPECT_EQ(readMode, kRawIdMode);
  CloseHandle(host);
}

TEST(Win32FilesTest, TheProgramFolderHoldsTheRunningProgram) {
  Win32Files files;
  const std::string folder = files.ProgramFolder();
  ASSERT_FALSE(folder.empty());
  EXPECT_NE(folder.back(), '\\');
  EXPECT_TRUE(files.FileExists(files.JoinPath(folder, "windows_files_test.exe"))) << folder;
}

// Without SND_NODEFAULT, PlaySoundW gives a file it cannot play the system's default sound.
TEST(PlaySoundSoundTest, AFileIsPlayedAsynchronouslyWithTheDefaultSoundAsItsFallback) {
  std::wstring played;
  DWORD flags = 0;
  PlaySoundSound sound([&](const std::wstring& path, DWORD asked) {
    played = path;
    flags = asked;
  });
  sound.PlayAsync("C:\\名簿\\カード確認.WAV");
  EXPECT_EQ(played, L"C:\\名簿\\カード確認.WAV");
  EXPECT_EQ(flags, DWORD{SND_FILENAME | SND_ASYNC});
}

TEST(LocalClockTest, TheClockIsLocalTime) {
  const std::time_t now = std::time(nullptr);
  const std::tm local = *std::localtime(&now);
  const double expected = local.tm_hour * 3600.0 + local.tm_min * 60.0 + local.tm_sec;
  const double seconds = LocalClock().SecondsSinceMidnight();
  EXPECT_GE(seconds, expected);
  EXPECT_LT(seconds, expected + 2.0);
}

}  // namespace
}  // namespace cardwedge
