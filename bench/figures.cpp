#include "figures.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace cardwedge::bench {

Summary Summarise(std::vector<double> milliseconds) {
  if (milliseconds.empty()) return {NAN, NAN, NAN, NAN, 0};
  std::sort(milliseconds.begin(), milliseconds.end());
  const std::size_t n = milliseconds.size();
  const double median =
      n % 2 == 1 ? milliseconds[n / 2] : (milliseconds[n / 2 - 1] + milliseconds[n / 2]) / 2;
  const auto percentile = [&](double fraction) {
    const auto rank = static_cast<std::size_t>(std::ceil(fraction * static_cast<double>(n)));
    return milliseconds[std::max<std::size_t>(rank, 1) - 1];
  };
  return {median, percentile(0.90), percentile(0.95), milliseconds.back(), n};
}

std::string Describe(const Summary& summary) {
  if (summary.count == 0) return "no figure";
  char text[96];
  std::snprintf(text, sizeof text, "median %5.1f ms, p95 %5.1f ms, max %5.1f ms (n=%zu)",
                summary.median_ms, summary.p95_ms, summary.max_ms, summary.count);
  return text;
}

void PrintRow(const std::string& what, const std::string& figure, const std::string& target) {
  std::printf("%-44s %-54s %s\n", what.c_str(), figure.c_str(), target.c_str());
  std::fflush(stdout);
}

std::string Format(const char* format, double value) {
  char text[96];
  std::snprintf(text, sizeof text, format, value);
  return text;
}

}  // namespace cardwedge::bench
