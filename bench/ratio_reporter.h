// A console reporter that also prints, after the usual table, each benchmark's
// time as a multiple of its baseline measured in the same run, and how its time
// grows from size N to 4N (about 4x for linear cost, 16x for quadratic).
//
//   RatioReporter reporter({{"BM_find_text", "BM_baseline_std_find"}});
//   benchmark::RunSpecifiedBenchmarks(&reporter);
//
// Benchmarks are named FAMILY/SIZE; only the families named as keys are listed.
#pragma once

#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cstdio>
#include <map>
#include <string>
#include <vector>

namespace velkoran::bench {

class RatioReporter : public benchmark::ConsoleReporter {
 public:
  // `baselines` maps each measured family to the family it is read against.
  explicit RatioReporter(std::map<std::string, std::string> baselines)
      // Colours only on a terminal, so that piped output stays plain text.
      : ConsoleReporter(isatty(STDOUT_FILENO) != 0 ? OO_ColorTabular : OO_Tabular),
        baselines_(std::move(baselines)) {}

  void ReportRuns(const std::vector<Run>& runs) override {
    ConsoleReporter::ReportRuns(runs);
    for (const Run& run : runs) {
      if (run.run_type != Run::RT_Iteration || run.error_occurred) continue;
      const std::string name = run.benchmark_name();
      const std::size_t slash = name.find('/');
      if (slash == std::string::npos) continue;
      times_[name.substr(0, slash)][std::stol(name.substr(slash + 1))] = run.GetAdjustedRealTime();
    }
  }

  void Finalize() override {
    ConsoleReporter::Finalize();
    std::printf("\n%-24s %10s %14s %12s\n", "operation", "size", "x baseline", "N->4N time");
    for (const auto& [family, baseline_family] : baselines_) {
      const auto measured = times_.find(family);
      if (measured == times_.end()) continue;
      for (const auto& [size, time] : measured->second) {
        std::printf("%-24s %10ld %14s %12s\n", family.c_str(), size,
                    ratio(time, time_of(baseline_family, size)).c_str(),
                    size % 4 == 0 ? ratio(time, time_of(family, size / 4)).c_str() : "-");
      }
    }
    std::fflush(stdout);
  }

 private:
  double time_of(const std::string& family, long size) const {
    const auto found = times_.find(family);
    if (found == times_.end()) return 0;
    const auto at_size = found->second.find(size);
    return at_size == found->second.end() ? 0 : at_size->second;
  }

  static std::string ratio(double time, double base) {
    if (base <= 0) return "-";
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, "%.2fx", time / base);
    return buffer;
  }

  std::map<std::string, std::string> baselines_;
  std::map<std::string, std::map<long, double>> times_;
};

// Runs the registered benchmarks with a RatioReporter over `baselines`.
inline int run_with_ratios(int argc, char** argv, std::map<std::string, std::string> baselines) {
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  RatioReporter reporter(std::move(baselines));
  benchmark::RunSpecifiedBenchmarks(&reporter);
  benchmark::Shutdown();
  return 0;
}

}  // namespace velkoran::bench
