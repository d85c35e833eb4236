#include "roster/not_typed_caption.h"

namespace cardwedge {

std::string NotTypedCaption(const TypingError& error) {
  const char* why = "キー入力を送れません";
  switch (error.cause()) {
    case TypingError::Cause::kKeyboard:
      break;
    case TypingError::Cause::kNoKey:
      why = "入力できない文字を含みます";
      break;
    case TypingError::Cause::kOwnWindow:
      why = "この画面が選択されています";
      break;
    case TypingError::Cause::kElevatedProgram:
      why = "入力先が管理者として動いています";
      break;
    case TypingError::Cause::kInputMethod:
      why = "入力先の日本語入力がオンです";
      break;
    case TypingError::Cause::kImeUnknown:
      why = "入力先の日本語入力の状態が分かりません";
      break;
    case TypingError::Cause::kKeysHeld:
      why = "Shift・Ctrl・Alt・Windowsキーが押されています";
      break;
    case TypingError::Cause::kCapsLock:
      why = "Caps Lockがオンです";
      break;
  }
  return std::string("未入力: ") + why;
}

}  // namespace cardwedge
