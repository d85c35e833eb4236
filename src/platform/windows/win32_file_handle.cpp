#include "platform/windows/win32_file_handle.h"

#include "platform/files.h"
#include "platform/windows/wide_text.h"

namespace cardwedge {

std::string SystemErrorText(DWORD error) {
  wchar_t* text = nullptr;
  const DWORD length = FormatMessageW(
      FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
      nullptr, error, 0, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
  std::string description = length > 0 ? Narrow({text, length}) : "";
  LocalFree(text);
  while (!description.empty() && (description.back() == '\n' || description.back() == '\r' ||
                                  description.back() == ' ' || description.back() == '.')) {
    description.pop_back();
  }
  return description + " (error " + std::to_string(error) + ")";
}

void FailOnFile(const std::string& path, const std::string& what, DWORD error) {
  throw FileError("\"" + path + "\": " + what + ": " + SystemErrorText(error));
}

}  // namespace cardwedge
