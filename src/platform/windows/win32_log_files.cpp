#include "platform/windows/win32_log_files.h"

#include <windows.h>
// After windows.h.
#include <knownfolders.h>
#include <shlobj.h>

#include "platform/files.h"
#include "platform/windows/wide_text.h"
#include "platform/windows/win32_file_handle.h"

namespace cardwedge {
namespace {

// Appends only (each write goes to the end of the file), created when missing.
HANDLE OpenToAppend(const std::string& path) {
  return CreateFileW(Widen(path).c_str(), FILE_APPEND_DATA, kShareAll, nullptr, OPEN_ALWAYS,
                     FILE_ATTRIBUTE_NORMAL, nullptr);
}

}  // namespace

void Win32LogFiles::Append(const std::string& path, std::string_view bytes) {
  const FileHandle file(OpenToAppend(path));
  if (!file.is_open()) FailOnFile(path, "cannot be opened for writing", GetLastError());
  DWORD written = 0;
  if (!WriteFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr)) {
    FailOnFile(path, "cannot be written", GetLastError());
  }
  if (written != bytes.size()) FailOnFile(path, "cannot be written", ERROR_DISK_FULL);
}

std::uintmax_t Win32LogFiles::Size(const std::string& path) {
  WIN32_FILE_ATTRIBUTE_DATA data{};
  if (!GetFileAttributesExW(Widen(path).c_str(), GetFileExInfoStandard, &data)) return 0;
  return (std::uintmax_t{data.nFileSizeHigh} << 32) | data.nFileSizeLow;
}

void Win32LogFiles::Replace(const std::string& from, const std::string& to) {
  if (!MoveFileExW(Widen(from).c_str(), Widen(to).c_str(), MOVEFILE_REPLACE_EXISTING)) {
    const DWORD error = GetLastError();
    FailOnFile(from, "cannot be renamed to " + to.substr(to.find_last_of("\\/") + 1), error);
  }
}

bool Win32LogFiles::MayWrite(const std::string& path) {
  const FileHandle file(OpenToAppend(path));
  if (file.is_open()) return true;
  const DWORD error = GetLastError();
  return error == ERROR_SHARING_VIOLATION || error == ERROR_LOCK_VIOLATION;
}

std::string Win32LogFiles::UserFolderPath(const std::string& name) {
  wchar_t* localAppData = nullptr;
  const HRESULT result = SHGetKnownFolderPath(FOLDERID_LocalAppData, 0, nullptr, &localAppData);
  const std::wstring folder = SUCCEEDED(result) ? std::wstring(localAppData) + L"\\cardwedge" : L"";
  CoTaskMemFree(localAppData);
  if (folder.empty()) throw FileError("no local application data folder for the log");
  if (!CreateDirectoryW(folder.c_str(), nullptr)) {
    const DWORD error = GetLastError();
    if (error != ERROR_ALREADY_EXISTS) FailOnFile(Narrow(folder), "cannot be created", error);
  }
  return Narrow(folder) + "\\" + name;
}

}  // namespace cardwedge
