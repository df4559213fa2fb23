// A bound on the memory a page may take. Chromium's processes (and this
// program) are measured from /proc every little while; when together they
// hold more than the limit, Chromium's process group is killed at once and
// the run fails with one line that says so.
//
// Why polling: a cgroup can rarely be made (an ordinary user has no
// delegated one; CI runs as root in a container whose cgroup belongs to its
// manager), and RLIMIT_AS cannot work for Chromium, which reserves hundreds
// of gigabytes of address space it never touches. /proc works everywhere.
#pragma once

#include <sys/types.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <string>
#include <string_view>
#include <thread>

namespace zembra::render {

/// What a process holds in memory of its own, in bytes, from the text of
/// /proc/<pid>/status: its resident anonymous and shared-memory pages. Its
/// program and libraries (file pages, shared by all of Chromium's
/// processes) are left out. 0 when the text has neither line.
long long OwnMemoryBytes(std::string_view status);

/// The process group in the text of /proc/<pid>/stat; -1 when there is none.
long ProcessGroupOfStat(std::string_view stat);

struct MemoryUse {
  long long bytes = 0;
  int processes = 0;
};

/// What the processes of the group and the process also hold (OwnMemoryBytes).
MemoryUse MeasureMemory(pid_t group, pid_t also);

class MemoryWatch {
 public:
  /// limitMb 0: no limit, nothing is watched.
  explicit MemoryWatch(long limitMb);
  ~MemoryWatch();  ///< stops watching
  MemoryWatch(const MemoryWatch&) = delete;
  MemoryWatch& operator=(const MemoryWatch&) = delete;

  /// Watches the group and this process from a thread of its own; when they
  /// hold more than the limit, the group is killed (SIGKILL) at once.
  void Watch(pid_t group);
  /// Stops watching. Must come before the group is reaped: a group id that
  /// is free again could be another program's.
  void Stop();

  bool exceeded() const { return exceeded_; }
  /// The most the group and this process were seen to hold.
  long long peakBytes() const { return peak_; }
  /// The one-line reason of a run that went over the limit; empty otherwise.
  std::string Failure() const;

 private:
  void Run(pid_t group);

  const long long limitBytes_;
  std::thread thread_;
  std::mutex mutex_;
  std::condition_variable stop_;
  bool stopping_ = false;
  std::atomic<bool> exceeded_{false};
  std::atomic<long long> peak_{0};
  std::atomic<long long> atKill_{0};
};

}  // namespace zembra::render
