#include "platform/windows/ansi_text_codec.h"

#include <windows.h>

#include "common/utf8.h"
#include "platform/windows/wide_text.h"

namespace cardwedge {

std::string AnsiTextCodec::AnsiToUtf8(std::string_view ansi) {
  return IsValidUtf8(ansi) ? std::string(ansi) : Narrow(ToWide(ansi, CP_ACP));
}

std::string AnsiTextCodec::Utf8ToAnsi(std::string_view utf8) {
  return FromWide(Widen(utf8), CP_ACP);
}

}  // namespace cardwedge
