#pragma once

// Summaries of measured durations and the table rows the benchmarks print.

#include <string>
#include <vector>

namespace cardwedge::bench {

struct Summary {
  double median_ms;
  double p90_ms;
  double p95_ms;
  double max_ms;
  std::size_t count;
};

// Median, 90th and 95th percentiles (nearest rank) and maximum of durations in milliseconds; NaN
// for none.
Summary Summarise(std::vector<double> milliseconds);

// "median 123.4 ms, p95 234.5 ms, max 345.6 ms (n=100)"
std::string Describe(const Summary& summary);

// One row of the benchmark table: what was measured, the figure, the target beside it.
void PrintRow(const std::string& what, const std::string& figure, const std::string& target = "");

std::string Format(const char* format, double value);

}  // namespace cardwedge::bench
