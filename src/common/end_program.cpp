#include "common/end_program.h"

namespace cardwedge {

void EndProgram(Platform& platform, int status) {
  platform.smartCard.StopWatching();
  platform.toolkit.End(status);
}

}  // namespace cardwedge
