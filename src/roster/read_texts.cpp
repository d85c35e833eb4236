#include "roster/read_texts.h"

#include <utility>

namespace cardwedge {

void ReadTexts::Hold() {
  if (!held_) held_.emplace();
}

void ReadTexts::Show(ReadText text) {
  if (held_) {
    held_->push_back(std::move(text));
    return;
  }
  Control& control = window_.Get(text.controlName);
  if (text.appended) {
    control.AppendText(text.text);
  } else {
    control.SetText(text.text);
  }
}

void ReadTexts::ShowHeld() {
  if (!held_) return;
  std::vector<ReadText> held = std::move(*held_);
  held_.reset();
  for (ReadText& text : held) Show(std::move(text));
}

}  // namespace cardwedge
