// A console reporter that also keeps the time per iteration of every plain run, so a
// benchmark program can print its own summary; with repetitions the summary takes the median.
#pragma once

#include <benchmark/benchmark.h>

#include <algorithm>
#include <map>
#include <string>
#include <vector>

namespace bench {

class Collector : public benchmark::ConsoleReporter {
 public:
  void ReportRuns(const std::vector<Run>& runs) override {
    for (const Run& r : runs) {
      if (r.error_occurred) continue;
      if (r.run_type == Run::RT_Iteration)
        times[r.run_name.function_name].push_back(r.GetAdjustedRealTime());
      else if (r.aggregate_name == "median")
        medians[r.run_name.function_name] = r.GetAdjustedRealTime();
    }
    ConsoleReporter::ReportRuns(runs);
  }
  // In the unit each benchmark reports in; 0 when the run is missing.
  double median(const std::string& name) const {
    if (const auto m = medians.find(name); m != medians.end()) return m->second;
    const auto it = times.find(name);
    if (it == times.end() || it->second.empty()) return 0.0;
    std::vector<double> v = it->second;
    std::sort(v.begin(), v.end());
    const size_t n = v.size();
    return n % 2 ? v[n / 2] : 0.5 * (v[n / 2 - 1] + v[n / 2]);
  }

 private:
  std::map<std::string, std::vector<double>> times;
  std::map<std::string, double> medians;
};

}  // namespace bench
