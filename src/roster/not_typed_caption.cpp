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
    case TypingError::Cause::kInputMethodUnknown:
      why = "日本語入力がオフか確認できません";
      break;
    case TypingError::Cause::kKeysHeld:
      why = "Shift・Ctrl・Alt・Windowsキーが押されています";
      break;
    case TypingError::Cause::kCapsLock:
      why = "Caps Lockがオンです";
      break;
    case TypingError::Cause::kNoFocusedWindow:
      why = "入力先の画面が選択されていません";
      break;
    case TypingError::Cause::kNativeWayland:
      why = "このデスクトップではWaylandの画面に入力できません";
      break;
    case TypingError::Cause::kSessionLocked:
      why = "画面がロックされています";
      break;
    case TypingError::Cause::kSessionAway:
      why = "別のユーザーの画面に切り替わっています";
      break;
    case TypingError::Cause::kSessionUnknown:
      why = "画面がロックされているか分かりません";
      break;
  }
  return std::string("未入力: ") + why;
}

}  // namespace cardwedge
