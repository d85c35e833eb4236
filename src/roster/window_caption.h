#pragma once

#include <string>
#include <vector>

#include "platform/toolkit.h"

namespace cardwedge {

// States a reader window shows after its caption, in the window's language.
inline constexpr char kPausedState[] = "一時停止中 (ホストの指示)";
inline constexpr char kRawIdState[] = "カードIDを入力 (ホストの指示)";
inline constexpr char kReaderMissingState[] = "リーダーが見つかりません";

// The state text of a read mode; empty for lookup mode, the ordinary state.
std::string ReadModeState(int readMode);

// A reader window's title: its caption alone while all is well, else the caption, a dash and the
// states that keep cards from being read as usual. The window's title is replaced only when the
// text changes, so the windows' timers may call Show at every tick without a flicker.
class WindowCaption {
 public:
  WindowCaption(Window& window, std::string caption);

  void Show(const std::vector<std::string>& states);

 private:
  Window& window_;
  std::string caption_;
  std::string shown_;
};

}  // namespace cardwedge
