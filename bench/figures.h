#pragma once

// Summaries of measured durations and the table rows the benchmarks print.

#include <string>
#include <vector>

namespace cardwedge::bench {

struct Summary {
  double median_ms;
  double p95_ms;
  std::size_t count;
};

// Median and 95th percentile (nearest rank) of durations in milliseconds; NaN for none.
Summary Summarise(std::vector<double> milliseconds);

// "median 123.4 ms, p95 234.5 ms (n=40)"
std::string Describe(const Summary& summary);

// One row of the benchmark table: what was measured, the figure, the target beside it.
void PrintRow(const std::string& what, const std::string& figure, const std::string& target = "");

std::string Format(const char* format, double value);

}  // namespace cardwedge::bench
