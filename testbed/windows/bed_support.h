#pragma once

#include <chrono>
#include <filesystem>
#include <string>
#include <string_view>
#include <thread>

namespace cardwedge::testbed {

// UTF-8 text as the UTF-16 of the wide-character API, and back.
std::wstring Wide(std::string_view utf8);
std::string Utf8(std::wstring_view wide);

// A Unix path (a build output named at compile time) as Wine reaches it, through drive Z:.
std::filesystem::path WinePath(const char* unixPath);

// A state a running program reaches within a few of its ticks, with room for a busy machine.
inline constexpr std::chrono::milliseconds kStateTimeout{20000};

// Lays out a program folder as a user does: the program and the two sounds beside it, the
// test-double winscard.dll and felica_for_vb.dll, and the doubles' control folders "winscard"
// and "felica". Paths are Unix paths of build outputs.
void LayOutProgramFolder(const std::filesystem::path& folder, const char* program,
                         const char* winscardDouble, const char* felicaDouble);

// Checks `done` every `period` until it holds; false when `timeout` passes first.
template <class Done>
bool WaitUntil(Done&& done, std::chrono::milliseconds timeout = kStateTimeout,
               std::chrono::milliseconds period = std::chrono::milliseconds(10)) {
  const auto deadline = std::chrono::steady_clock::now() + timeout;
  while (!done()) {
    if (std::chrono::steady_clock::now() > deadline) return false;
    std::this_thread::sleep_for(period);
  }
  return true;
}

}  // namespace cardwedge::testbed
