#include "roster/window_caption.h"

#include <utility>

#include "roster/host_watch.h"

namespace cardwedge {

std::string ReadModeState(int readMode) {
  switch (readMode) {
    case kRawIdMode:
      return kRawIdState;
    case kPausedMode:
      return kPausedState;
    default:
      return {};
  }
}

WindowCaption::WindowCaption(Window& window, std::string caption)
    : window_(window), caption_(std::move(caption)), shown_(caption_) {}

void WindowCaption::Show(const std::vector<std::string>& states) {
  std::string title = caption_;
  const char* separator = " — ";
  for (const std::string& state : states) {
    if (state.empty()) continue;
    title += separator + state;
    separator = "、";
  }
  if (title == shown_) return;
  window_.SetTitle(title);
  shown_ = title;
}

}  // namespace cardwedge
