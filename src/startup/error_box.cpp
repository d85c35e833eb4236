#include "startup/error_box.h"

#include <cstdlib>
#include <cstring>

namespace cardwedge {
namespace {

bool DialogsWanted() {
  const char* noDialogs = std::getenv("CARDWEDGE_NO_DIALOGS");
  return noDialogs == nullptr || std::strcmp(noDialogs, "1") != 0;
}

}  // namespace

void ShowEndingError(Platform& platform, const std::string& text) {
  platform.smartCard.StopWatching();
  platform.instanceGuard.Release();
  if (DialogsWanted()) platform.toolkit.ShowError("cardwedge", text);
}

}  // namespace cardwedge
