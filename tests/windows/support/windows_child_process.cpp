#include "windows_child_process.h"

#include <windows.h>

#include <stdexcept>

namespace cardwedge::wintest {

std::wstring WindowsPath(const std::string& unixPath) {
  std::wstring path = L"Z:";
  for (const char c : unixPath) path += c == '/' ? L'\\' : static_cast<wchar_t>(c);
  return path;
}

WindowsChildProcess::WindowsChildProcess(const std::wstring& commandLine) {
  SECURITY_ATTRIBUTES inheritable{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
  HANDLE childInput = nullptr, childOutput = nullptr;
  if (!CreatePipe(&childInput, &input_, &inheritable, 0) ||
      !CreatePipe(&output_, &childOutput, &inheritable, 0)) {
    throw std::runtime_error("CreatePipe failed");
  }
  SetHandleInformation(input_, HANDLE_FLAG_INHERIT, 0);
  SetHandleInformation(output_, HANDLE_FLAG_INHERIT, 0);
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdInput = childInput;
  startup.hStdOutput = childOutput;
  startup.hStdError = GetStdHandle(STD_ERROR_HANDLE);
  PROCESS_INFORMATION info{};
  std::wstring line = commandLine;
  const BOOL started = CreateProcessW(nullptr, line.data(), nullptr, nullptr, TRUE, 0, nullptr,
                                      nullptr, &startup, &info);
  CloseHandle(childInput);
  CloseHandle(childOutput);
  if (!started)
    throw std::runtime_error("CreateProcessW failed: " + std::to_string(GetLastError()));
  CloseHandle(info.hThread);
  process_ = info.hProcess;
  reader_ = std::thread(&WindowsChildProcess::ReadOutput, this);
}

WindowsChildProcess::~WindowsChildProcess() {
  if (!Wait(std::chrono::milliseconds(0))) Kill();
  CloseHandle(input_);
  reader_.join();
  CloseHandle(output_);
  CloseHandle(process_);
}

void WindowsChildProcess::ReadOutput() {
  std::string pending;
  char buffer[4096];
  DWORD count = 0;
  while (ReadFile(output_, buffer, sizeof buffer, &count, nullptr) && count > 0) {
    pending.append(buffer, count);
    for (std::size_t end; (end = pending.find('\n')) != std::string::npos;) {
      std::string line = pending.substr(0, end);
      if (!line.empty() && line.back() == '\r') line.pop_back();
      pending.erase(0, end + 1);
      const std::lock_guard<std::mutex> lock(mutex_);
      lines_.push_back(std::move(line));
      lineArrived_.notify_all();
    }
  }
  const std::lock_guard<std::mutex> lock(mutex_);
  outputEnded_ = true;
  lineArrived_.notify_all();
}

void WindowsChildProcess::WriteLine(const std::string& line) {
  const std::string record = line + "\n";
  DWORD written = 0;
  WriteFile(input_, record.data(), static_cast<DWORD>(record.size()), &written, nullptr);
}

std::optional<std::string> WindowsChildProcess::ReadLine(std::chrono::milliseconds timeout) {
  std::unique_lock<std::mutex> lock(mutex_);
  lineArrived_.wait_for(lock, timeout, [this] { return !lines_.empty() || outputEnded_; });
  if (lines_.empty()) return std::nullopt;
  std::string line = std::move(lines_.front());
  lines_.pop_front();
  return line;
}

bool WindowsChildProcess::WaitForLine(const std::string& expected) {
  for (std::optional<std::string> line; (line = ReadLine());) {
    if (*line == expected) return true;
  }
  return false;
}

std::optional<unsigned long> WindowsChildProcess::Wait(std::chrono::milliseconds timeout) {
  if (WaitForSingleObject(process_, static_cast<DWORD>(timeout.count())) != WAIT_OBJECT_0) {
    return std::nullopt;
  }
  DWORD code = 0;
  GetExitCodeProcess(process_, &code);
  return code;
}

void WindowsChildProcess::Kill() {
  TerminateProcess(process_, 1);
  WaitForSingleObject(process_, INFINITE);
}

}  // namespace cardwedge::wintest
