#include "windows_process.h"

#include <cwctype>
#include <stdexcept>

namespace cardwedge::testbed {
namespace {

bool SameName(const std::wstring& entry, const std::wstring& name) {
  if (entry.size() <= name.size() || entry[name.size()] != L'=') return false;
  for (std::size_t i = 0; i < name.size(); ++i) {
    if (std::towupper(entry[i]) != std::towupper(name[i])) return false;
  }
  return true;
}

// This process's environment with the changes made, as a block for CreateProcessW.
std::wstring EnvironmentBlock(const WindowsProcess::EnvironmentChanges& changes) {
  std::vector<std::wstring> entries;
  wchar_t* const strings = GetEnvironmentStringsW();
  for (const wchar_t* entry = strings; *entry != L'\0'; entry += entries.back().size() + 1) {
    entries.emplace_back(entry);
  }
  FreeEnvironmentStringsW(strings);
  std::wstring block;
  for (const std::wstring& entry : entries) {
    bool changed = false;
    for (const auto& change : changes) changed = changed || SameName(entry, change.first);
    if (!changed) block += entry + L'\0';
  }
  for (const auto& [name, value] : changes) {
    if (value) block += name + L'=' + *value + L'\0';
  }
  return block + L'\0';
}

}  // namespace

WindowsProcess::WindowsProcess(const std::wstring& program,
                               const std::vector<std::wstring>& arguments,
                               const EnvironmentChanges& environment, bool captureOutput,
                               std::optional<WORD> showWindow) {
  std::wstring commandLine = L"\"" + program + L"\"";
  for (const std::wstring& argument : arguments) commandLine += L" " + argument;

  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
  startup.hStdOutput = GetStdHandle(STD_OUTPUT_HANDLE);
  startup.hStdError = GetStdHandle(STD_ERROR_HANDLE);
  if (showWindow) {
    startup.dwFlags |= STARTF_USESHOWWINDOW;
    startup.wShowWindow = *showWindow;
  }
  HANDLE childOutput = nullptr;
  if (captureOutput) {
    SECURITY_ATTRIBUTES inheritable{sizeof inheritable, nullptr, TRUE};
    if (!CreatePipe(&output_, &childOutput, &inheritable, 0)) {
      throw std::runtime_error("cannot make a pipe");
    }
    SetHandleInformation(output_, HANDLE_FLAG_INHERIT, 0);
    startup.hStdOutput = childOutput;
  }
  std::wstring block = EnvironmentBlock(environment);
  const BOOL started =
      CreateProcessW(program.c_str(), commandLine.data(), nullptr, nullptr, TRUE,
                     CREATE_UNICODE_ENVIRONMENT, block.data(), nullptr, &startup, &info_);
  if (childOutput != nullptr) CloseHandle(childOutput);
  if (!started) {
    if (output_ != nullptr) CloseHandle(output_);
    throw std::runtime_error("cannot start a program (error " + std::to_string(GetLastError()) +
                             ")");
  }
  if (output_ != nullptr) reader_ = std::thread(&WindowsProcess::ReadOutput, this);
}

WindowsProcess::~WindowsProcess() {
  Kill();
  if (reader_.joinable()) reader_.join();
  if (output_ != nullptr) CloseHandle(output_);
  CloseHandle(info_.hThread);
  CloseHandle(info_.hProcess);
}

std::optional<DWORD> WindowsProcess::Wait(std::chrono::milliseconds timeout) {
  if (WaitForSingleObject(info_.hProcess, static_cast<DWORD>(timeout.count())) != WAIT_OBJECT_0) {
    return std::nullopt;
  }
  DWORD status = 0;
  GetExitCodeProcess(info_.hProcess, &status);
  return status;
}

void WindowsProcess::Kill() {
  if (WaitForSingleObject(info_.hProcess, 0) == WAIT_OBJECT_0) return;
  TerminateProcess(info_.hProcess, 1);
  WaitForSingleObject(info_.hProcess, INFINITE);
}

std::vector<std::string> WindowsProcess::Lines() const {
  const std::lock_guard lock(mutex_);
  return lines_;
}

void WindowsProcess::ReadOutput() {
  std::string pending;
  char buffer[1024];
  DWORD read = 0;
  while (ReadFile(output_, buffer, sizeof buffer, &read, nullptr) && read > 0) {
    pending.append(buffer, read);
    for (std::size_t end; (end = pending.find('\n')) != std::string::npos;) {
      std::string line = pending.substr(0, end);
      if (!line.empty() && line.back() == '\r') line.pop_back();
      pending.erase(0, end + 1);
      const std::lock_guard lock(mutex_);
      lines_.push_back(std::move(line));
    }
  }
}

}  // namespace cardwedge::testbed
