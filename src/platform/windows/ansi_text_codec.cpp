#include "platform/windows/ansi_text_codec.h"

#include <windows.h>

#include "platform/utf8.h"
#include "platform/windows/wide_text.h"

namespace cardwedge {
namespace {

std::wstring AnsiToWide(std::string_view ansi) {
  const int size = static_cast<int>(ansi.size());
  const int length = MultiByteToWideChar(CP_ACP, 0, ansi.data(), size, nullptr, 0);
  std::wstring wide(static_cast<std::size_t>(length), L'\0');
  MultiByteToWideChar(CP_ACP, 0, ansi.data(), size, wide.data(), length);
  return wide;
}

}  // namespace

std::string AnsiTextCodec::AnsiToUtf8(std::string_view ansi) {
  return IsValidUtf8(ansi) ? std::string(ansi) : Narrow(AnsiToWide(ansi));
}

std::string AnsiTextCodec::Utf8ToAnsi(std::string_view utf8) {
  const std::wstring wide = Widen(utf8);
  if (wide.empty()) return {};
  const int size = static_cast<int>(wide.size());
  const int length =
      WideCharToMultiByte(CP_ACP, 0, wide.data(), size, nullptr, 0, nullptr, nullptr);
  std::string ansi(static_cast<std::size_t>(length), '\0');
  WideCharToMultiByte(CP_ACP, 0, wide.data(), size, ansi.data(), length, nullptr, nullptr);
  return ansi;
}

}  // namespace cardwedge
