#pragma once

// What a running process uses, read from /proc.

#include <sys/types.h>

namespace cardwedge::bench {

// User plus system CPU time of all the process's threads so far, in seconds.
double CpuSeconds(pid_t pid);

struct Memory {
  long rss_kib;
  long peak_rss_kib;
};

// VmRSS and VmHWM.
Memory ResidentMemory(pid_t pid);

}  // namespace cardwedge::bench
