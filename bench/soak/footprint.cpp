#include "footprint.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <thread>

namespace cardwedge::soak {

namespace {

Footprint LookOnce(pid_t pid) {
  const std::filesystem::path proc = "/proc/" + std::to_string(pid);
  Footprint footprint;
  for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator(proc / "fd")) {
    ++footprint.descriptors;
  }
  std::ifstream status(proc / "status");
  std::string line;
  while (std::getline(status, line)) {
    if (line.starts_with("Threads:")) footprint.threads = std::stoi(line.substr(8));
    if (line.starts_with("VmRSS:")) footprint.rss_kib = std::stol(line.substr(6));
  }
  return footprint;
}

}  // namespace

Footprint TakeFootprint(pid_t pid) {
  constexpr int kLooks = 10;
  Footprint most;
  for (int look = 0; look < kLooks; ++look) {
    if (look > 0) std::this_thread::sleep_for(std::chrono::milliseconds(100));
    const Footprint now = LookOnce(pid);
    most.descriptors = std::max(most.descriptors, now.descriptors);
    most.threads = std::max(most.threads, now.threads);
    most.rss_kib = now.rss_kib;
  }
  return most;
}

bool Grew(const Footprint& start, const Footprint& end) {
  return end.descriptors > start.descriptors || end.threads > start.threads ||
         end.rss_kib - start.rss_kib > kRssNoiseKib;
}

std::string Describe(const Footprint& start, const Footprint& end) {
  char text[96];
  std::snprintf(text, sizeof text, "fds %d->%d, threads %d->%d, RSS %.1f->%.1f MiB",
                start.descriptors, end.descriptors, start.threads, end.threads,
                static_cast<double>(start.rss_kib) / 1024, static_cast<double>(end.rss_kib) / 1024);
  return text;
}

}  // namespace cardwedge::soak
