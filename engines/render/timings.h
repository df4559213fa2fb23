// Where a run's time goes, for --timings: the wall clock and CPU time of each
// phase (browser start, target, load, ready, print, write, teardown), CPU
// counted for zemrender.lib itself and for Chromium's whole process group.
#pragma once

#include <sys/types.h>

#include <string>
#include <vector>

#include "engines/render/devtools_pipe.h"

namespace zembra::render {

class Timings {
 public:
  /// Disabled timings record nothing and cost nothing.
  explicit Timings(bool enabled);

  bool enabled() const { return enabled_; }
  /// Chromium's process group, whose CPU time is counted from now on.
  void WatchGroup(pid_t group) { group_ = group; }
  /// Ends the phase that ran since the previous mark (or since the start),
  /// naming it; note is shown beside it ("no script: delay skipped").
  void Mark(const std::string& phase, const std::string& note = "");
  /// Whether the most recent phase has this name.
  bool LastPhaseIs(const std::string& phase) const { return !phases_.empty() && phases_.back().name == phase; }
  /// "timings: start 210 ms (cpu 180 ms), …, total 640 ms (cpu 520 ms)".
  std::string Report() const;

  struct Phase {
    std::string name;
    double wallMs = 0;
    double cpuMs = 0;  ///< ours and Chromium's
    std::string note;
  };
  const std::vector<Phase>& phases() const { return phases_; }

 private:
  double CpuMs() const;

  bool enabled_;
  pid_t group_ = -1;
  Clock::time_point start_;
  Clock::time_point last_;
  double lastCpuMs_ = 0;
  mutable double groupCpuMs_ = 0;  ///< Chromium's last known CPU time, kept once it is gone
  std::vector<Phase> phases_;
};

/// CPU milliseconds (user and system) of the live processes of a process group.
double GroupCpuMs(pid_t group);

}  // namespace zembra::render
