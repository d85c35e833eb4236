#include "bed_support.h"

#include <windows.h>

namespace cardwedge::testbed {

std::wstring Wide(std::string_view utf8) {
  std::wstring wide(utf8.size(), L'\0');
  wide.resize(MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()),
                                  wide.data(), static_cast<int>(wide.size())));
  return wide;
}

std::string Utf8(std::wstring_view wide) {
  std::string utf8(wide.size() * 3, '\0');
  utf8.resize(WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()),
                                  utf8.data(), static_cast<int>(utf8.size()), nullptr, nullptr));
  return utf8;
}

std::filesystem::path WinePath(const char* unixPath) {
  return std::filesystem::path(L"Z:" + Wide(unixPath));
}

void LayOutProgramFolder(const std::filesystem::path& folder, const char* program,
                         const char* winscardDouble, const char* felicaDouble) {
  namespace fs = std::filesystem;
  fs::create_directories(folder / "winscard");
  fs::create_directory(folder / "felica");
  const fs::path programPath = WinePath(program);
  fs::copy_file(programPath, folder / "cardwedge.exe");
  for (const wchar_t* sound : {L"カード確認.WAV", L"警告1.wav"}) {
    fs::copy_file(programPath.parent_path() / sound, folder / sound);
  }
  fs::copy_file(WinePath(winscardDouble), folder / "winscard.dll");
  fs::copy_file(WinePath(felicaDouble), folder / "felica_for_vb.dll");
}

}  // namespace cardwedge::testbed
