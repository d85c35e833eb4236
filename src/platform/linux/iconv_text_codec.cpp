#include "platform/linux/iconv_text_codec.h"

#include <iconv.h>

#include <cerrno>

#include "common/utf8.h"

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

std::string IconvTextCodec::AnsiToUtf8(std::string_view ansi) {
  return IsValidUtf8(ansi) ? std::string(ansi) : Cp932ToUtf8(ansi);
}

std::string IconvTextCodec::Utf8ToAnsi(std::string_view utf8) { return std::string(utf8); }

}  // namespace cardwedge
