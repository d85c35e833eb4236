#include "platform/windows/win32_files.h"

#include <windows.h>

#include <string>

#include "platform/windows/wide_text.h"
#include "platform/windows/win32_file_handle.h"

namespace cardwedge {

std::string Win32Files::ProgramFolder() {
  std::wstring path(MAX_PATH, L'\0');
  for (;;) {
    const DWORD length = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
    if (length == 0) return ".";
    if (length < path.size()) {
      path.resize(length);
      break;
    }
    path.resize(path.size() * 2);
  }
  return Narrow(path.substr(0, path.find_last_of(L"\\/")));
}

bool Win32Files::FileExists(const std::string& path) {
  const DWORD attributes = GetFileAttributesW(Widen(path).c_str());
  constexpr DWORD kNotPlain = FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_DEVICE |
                              FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM;
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & kNotPlain) == 0;
}

void Win32Files::CreateIfMissing(const std::string& path) {
  // CREATE_NEW never opens an existing file, so a host holding it with a share mode that refuses
  // writers is not disturbed, and no write open under Program Files turns to a VirtualStore copy.
  const std::wstring wide = Widen(path);
  const FileHandle file(CreateFileW(wide.c_str(), GENERIC_WRITE, kShareAll, nullptr, CREATE_NEW,
                                    FILE_ATTRIBUTE_NORMAL, nullptr));
  if (file.is_open()) return;
  const DWORD error = GetLastError();
  // A folder that refuses new files may answer "access denied" even for a name that exists.
  if (error == ERROR_FILE_EXISTS || GetFileAttributesW(wide.c_str()) != INVALID_FILE_ATTRIBUTES) {
    return;
  }
  FailOnFile(path, "cannot be created", error);
}

std::string Win32Files::ReadAll(const std::string& path, std::size_t maxBytes) {
  const FileHandle file(CreateFileW(Widen(path).c_str(), GENERIC_READ, kShareAll, nullptr,
                                    OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file.is_open()) FailOnFile(path, "cannot be opened", GetLastError());
  if (GetFileType(file.get()) != FILE_TYPE_DISK)
    FailOnFile(path, "cannot be read", ERROR_BAD_FILE_TYPE);
  std::string content;
  char buffer[65536];
  for (;;) {
    DWORD count = 0;
    if (!ReadFile(file.get(), buffer, sizeof buffer, &count, nullptr)) {
      FailOnFile(path, "cannot be read", GetLastError());
    }
    if (count == 0) return content;
    if (content.size() + count > maxBytes) {
      throw FileError("\"" + path + "\": larger than " + std::to_string(maxBytes) + " bytes");
    }
    content.append(buffer, count);
  }
}

void Win32Files::Delete(const std::string& path) {
  if (!DeleteFileW(Widen(path).c_str())) FailOnFile(path, "cannot be deleted", GetLastError());
}

}  // namespace cardwedge
