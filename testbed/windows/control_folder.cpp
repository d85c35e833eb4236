#include "control_folder.h"

#include <windows.h>

#include <chrono>
#include <fstream>
#include <thread>

namespace cardwedge::testbed {
namespace {

std::wstring FolderFromEnvironment(const wchar_t* variable) {
  const DWORD size = GetEnvironmentVariableW(variable, nullptr, 0);
  if (size == 0) return {};
  std::wstring value(size, L'\0');
  value.resize(GetEnvironmentVariableW(variable, value.data(), size));
  if (!value.empty() && value.front() == L'/') value.insert(0, L"Z:");
  for (wchar_t& c : value) {
    if (c == L'/') c = L'\\';
  }
  if (!value.empty() && value.back() != L'\\') value.push_back(L'\\');
  return value;
}

}  // namespace

ControlFolder::ControlFolder(const wchar_t* variable) : folder_(FolderFromEnvironment(variable)) {}

std::optional<std::string> ControlFolder::Read(const wchar_t* name) const {
  if (folder_.empty()) return std::nullopt;
  const HANDLE file = CreateFileW((folder_ + name).c_str(), GENERIC_READ,
                                  FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                  OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return std::nullopt;
  std::string contents;
  char buffer[4096];
  DWORD read = 0;
  while (ReadFile(file, buffer, sizeof buffer, &read, nullptr) && read > 0) {
    contents.append(buffer, read);
  }
  CloseHandle(file);
  return contents;
}

void ControlFolder::Log(std::string_view line) const {
  if (folder_.empty()) return;
  const HANDLE file = CreateFileW((folder_ + L"log").c_str(), FILE_APPEND_DATA,
                                  FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                  OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return;
  const std::string record = std::string(line) + "\n";
  DWORD written = 0;
  WriteFile(file, record.data(), static_cast<DWORD>(record.size()), &written, nullptr);
  CloseHandle(file);
}

bool ReplaceWhole(const std::filesystem::path& file, std::string_view bytes) {
  using namespace std::chrono_literals;
  const std::filesystem::path next = file.wstring() + L".new";
  if (!(std::ofstream(next, std::ios::binary) << bytes)) return false;
  const auto deadline = std::chrono::steady_clock::now() + 5s;
  while (!MoveFileExW(next.c_str(), file.c_str(), MOVEFILE_REPLACE_EXISTING)) {
    if (std::chrono::steady_clock::now() > deadline) return false;
    std::this_thread::sleep_for(5ms);
  }
  return true;
}

std::vector<std::string> NonBlankLines(std::string_view text) {
  std::vector<std::string> lines;
  while (!text.empty()) {
    const std::size_t end = text.find('\n');
    std::string_view line = text.substr(0, end);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    if (line.find_first_not_of(" \t") != std::string_view::npos) lines.emplace_back(line);
    if (end == std::string_view::npos) break;
    text.remove_prefix(end + 1);
  }
  return lines;
}

std::string FirstWord(std::string_view text) {
  const std::vector<std::string> lines = NonBlankLines(text);
  if (lines.empty()) return {};
  const std::string& line = lines.front();
  const std::size_t begin = line.find_first_not_of(" \t");
  const std::size_t end = line.find_last_not_of(" \t");
  return line.substr(begin, end - begin + 1);
}

}  // namespace cardwedge::testbed
