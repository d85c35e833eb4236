#include "platform/iconv/iconv_text_codec.h"

#include <iconv.h>

#include <cerrno>
#include <cstdint>

namespace cardwedge {
namespace {

std::string Cp932ToUtf8(std::string_view text) {
  iconv_t cd = ::iconv_open("UTF-8", "CP932");
  // iconv_open reports failure as the handle (iconv_t)-1.
  const auto failed = reinterpret_cast<iconv_t>(-1);  // NOLINT(performance-no-int-to-ptr)
  if (cd == failed) return std::string(text);
  std::string out;
  std::string input(text);
  char* in = input.data();
  std::size_t inLeft = input.size();
  char buffer[4096];
  while (inLeft > 0) {
    char* outPtr = buffer;
    std::size_t outLeft = sizeof buffer;
    const std::size_t result = ::iconv(cd, &in, &inLeft, &outPtr, &outLeft);
    out.append(buffer, sizeof buffer - outLeft);
    if (result == static_cast<std::size_t>(-1) && errno != E2BIG) {
      // A byte that is not CP932: keep it visible as the replacement character and go on.
      out.append("\xEF\xBF\xBD");
      ++in;
      --inLeft;
    }
  }
  ::iconv_close(cd);
  return out;
}

}  // namespace

bool IsValidUtf8(std::string_view text) {
  std::size_t i = 0;
  while (i < text.size()) {
    const auto c = static_cast<unsigned char>(text[i]);
    std::size_t extra = 0;
    std::uint32_t min = 0;
    if (c < 0x80) {
      ++i;
      continue;
    } else if ((c & 0xE0) == 0xC0) {
      extra = 1, min = 0x80;
    } else if ((c & 0xF0) == 0xE0) {
      extra = 2, min = 0x800;
    } else if ((c & 0xF8) == 0xF0) {
      extra = 3, min = 0x10000;
    } else {
      return false;
    }
    if (i + extra >= text.size()) return false;
    std::uint32_t code = c & (0x3F >> extra);
    for (std::size_t k = 1; k <= extra; ++k) {
      const auto next = static_cast<unsigned char>(text[i + k]);
      if ((next & 0xC0) != 0x80) return false;
      code = (code << 6) | (next & 0x3F);
    }
    if (code < min || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) return false;
    i += extra + 1;
  }
  return true;
}

std::string IconvTextCodec::AnsiToUtf8(std::string_view ansi) {
  return IsValidUtf8(ansi) ? std::string(ansi) : Cp932ToUtf8(ansi);
}

std::string IconvTextCodec::Utf8ToAnsi(std::string_view utf8) { return std::string(utf8); }

}  // namespace cardwedge
