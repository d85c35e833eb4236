#pragma once

#include <optional>
#include <string>
#include <vector>

#include "platform/toolkit.h"

namespace cardwedge {

// A label's new text, or a line appended to a rich-text pane.
struct ReadText {
  const char* controlName;
  std::string text;
  bool appended = false;
};

// The texts a read cycle shows in its window: at once, or, while the cycle holds them, in their
// order once it lets them go. Laying out a label's or the pane's text takes longer than sending a
// value's keys, and the window repaints only after the cycle anyway.
class ReadTexts {
 public:
  explicit ReadTexts(Window& window) : window_(window) {}

  void Hold();
  void Show(ReadText text);
  void ShowHeld();

 private:
  Window& window_;
  std::optional<std::vector<ReadText>> held_;
};

}  // namespace cardwedge
