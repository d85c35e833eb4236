#pragma once

// What the running tool holds, read from /proc: a long run must end holding no more than it
// held once warmed up.

#include <sys/types.h>

#include <string>

namespace cardwedge::soak {

struct Footprint {
  int descriptors = 0;
  int threads = 0;
  long rss_kib = 0;
};

// The most the tool holds over about a second: a PC/SC context's socket comes and goes with
// each read cycle, so one look could fall either side of it.
Footprint TakeFootprint(pid_t pid);

// Resident memory may move by allocator noise; more than this over a run is growth.
inline constexpr long kRssNoiseKib = 1024;

// No more descriptors or threads, and resident memory within the noise.
bool Grew(const Footprint& start, const Footprint& end);

// "fds 24->24, threads 9->9, RSS 38.2->38.3 MiB"
std::string Describe(const Footprint& start, const Footprint& end);

}  // namespace cardwedge::soak
